// The command-line driver: arguments in, warnings, DOT file and exit status
// out.
#ifndef CLUDEMAP_APP_DRIVER_H_
#define CLUDEMAP_APP_DRIVER_H_

#include <iosfwd>
#include <string>
#include <string_view>

#include "scan/include_tree.h"

inline constexpr std::string_view kUsageMessage = "Usage: cludemap (.h file) (.png file)\n";

// The environment variable that lists the system include directories.
inline constexpr const char* kIncludePathVariable = "CLUDEMAP_INCLUDE_PATH";

// The start path as the scan gets it: an argument that begins with a double
// quote loses its first and its last character (a quote that a shell handed
// through); a lone quote becomes empty.
std::string rootPathFromArgument(std::string_view argument);

// The system include directories from a CLUDEMAP_INCLUDE_PATH value:
// entries split at `separator` in order, empty ones skipped, and a '/'
// appended to each that ends in neither '/' nor '\'.
SystemIncludeDirs parseIncludePath(std::string_view value, char separator);

// Writes the whole DOT file for the tree below `root` to `out`: the opening
// text, the statements and the closing line.
void writeDotFile(std::ostream& out, const IncludeNode& root);

// Runs the tool: argv[1] is the header, argv[2] the output file. Usage errors
// and scan warnings go to `out`, write failures to `err`. Returns the exit
// status: 0 after writing the graph, -1 for a wrong argument count, 1 when
// the output file cannot be written or `out` refused the warnings (the graph
// is written all the same).
int runCludemap(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif  // CLUDEMAP_APP_DRIVER_H_
