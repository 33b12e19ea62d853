// Running a compiler to ask it something, and naming its failures alike.
#ifndef CLUDEMAP_COMPDB_COMPILER_RUN_H_
#define CLUDEMAP_COMPDB_COMPILER_RUN_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compdb/program_run.h"

// Runs `compiler` with `arguments` on empty input, in the C locale so that
// its messages are in English. Returns nothing when it cannot be started,
// with `error` set to "cannot run the compiler COMPILER: reason".
std::optional<ProgramOutput> runCompiler(const std::string& compiler,
                                         const std::vector<std::string>& arguments,
                                         std::string& error);

// "the compiler COMPILER `what` (exit status N)", and ": LINE" with the
// first line `run` printed, if any.
std::string compilerFailure(const std::string& compiler, std::string_view what,
                            const ProgramOutput& run);

// The first line of `text`, without its line end, and drops it from `text`.
std::string_view nextLine(std::string_view& text);

#endif  // CLUDEMAP_COMPDB_COMPILER_RUN_H_
