// How a run that fails ends: what it prints and its exit status, the one
// table of them.
#ifndef CLUDEMAP_APP_EXIT_STATUS_H_
#define CLUDEMAP_APP_EXIT_STATUS_H_

#include <iosfwd>
#include <string_view>

#include "util/error.h"

inline constexpr std::string_view kUsageMessage = "Usage: cludemap (.h file) (.png file)\n";

// The exit status of a run that ends with an error of `category`:
//   kUsage          -1, which a shell sees as 255
//   kUnusableInput  2
//   kGrowth         3
//   kOutput         1
// A run that does what it was asked ends with 0. Running out of memory ends
// it at once, wherever that happens, with 1 (driver.cc).
int exitStatusOf(ErrorCategory category);

// Ends a run with `error`: prints "cludemap: MESSAGE" on `err` (nothing
// for an empty message) and, for a usage error, the usage line on `out`.
// Returns exitStatusOf(error.category).
int reportError(const Error& error, std::ostream& out, std::ostream& err);

#endif  // CLUDEMAP_APP_EXIT_STATUS_H_
