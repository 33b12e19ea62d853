// Running another program and reading what it prints: the one place that
// starts processes.
#ifndef CLUDEMAP_COMPDB_PROGRAM_RUN_H_
#define CLUDEMAP_COMPDB_PROGRAM_RUN_H_

#include <string>
#include <vector>

#include "util/error.h"

struct ProgramOutput {
  int status = -1;     // the exit status; 128 + the signal number when a signal ended it
  std::string output;  // standard output and standard error as they came, interleaved
};

// Runs `program` (a path, or a name looked up in PATH as the platform does)
// with `arguments`, without a shell, its standard input empty and the
// variables of `environment` ("NAME=value") set over the inherited ones,
// and waits for it. Where it cannot be started, the error (kUnusableInput)
// gives the reason, such as "no such file or directory".
Expected<ProgramOutput> runProgram(const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment);

#endif  // CLUDEMAP_COMPDB_PROGRAM_RUN_H_
