// Running another program and reading what it prints: the one place that
// starts processes.
#ifndef CLUDEMAP_COMPDB_PROGRAM_RUN_H_
#define CLUDEMAP_COMPDB_PROGRAM_RUN_H_

#include <optional>
#include <string>
#include <vector>

struct ProgramOutput {
  int status = -1;     // the exit status; 128 + the signal number when a signal ended it
  std::string output;  // standard output and standard error as they came, interleaved
};

// Runs `program` (a path, or a name looked up in PATH as the platform does)
// with `arguments`, without a shell, its standard input empty and the
// variables of `environment` ("NAME=value") set over the inherited ones,
// and waits for it. Returns nothing when it cannot be started, with the
// reason in `error` (such as "no such file or directory").
std::optional<ProgramOutput> runProgram(const std::string& program,
                                        const std::vector<std::string>& arguments,
                                        const std::vector<std::string>& environment,
                                        std::string& error);

#endif  // CLUDEMAP_COMPDB_PROGRAM_RUN_H_
