// Running a compiler to ask it something, and naming its failures alike.
#ifndef CLUDEMAP_COMPDB_COMPILER_RUN_H_
#define CLUDEMAP_COMPDB_COMPILER_RUN_H_

#include <string>
#include <string_view>
#include <vector>

#include "compdb/program_run.h"
#include "util/error.h"

// Runs `compiler` with `arguments` on empty input, in the C locale so that
// its messages are in English. Fails (kUnusableInput) with "cannot run the
// compiler COMPILER: reason" when it cannot be started.
Expected<ProgramOutput> runCompiler(const std::string& compiler,
                                    const std::vector<std::string>& arguments);

// A compiler that ran but did not answer (kUnusableInput): "the compiler
// COMPILER `what` (exit status N)", and ": LINE" with the first line `run`
// printed, if any.
Error compilerFailure(const std::string& compiler, std::string_view what, const ProgramOutput& run);

// The first line of `text`, without its line end, and drops it from `text`.
std::string_view nextLine(std::string_view& text);

#endif  // CLUDEMAP_COMPDB_COMPILER_RUN_H_
