// The command-line driver: arguments in, warnings, DOT file and exit status
// out.
#ifndef CLUDEMAP_APP_DRIVER_H_
#define CLUDEMAP_APP_DRIVER_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "graph/dot_writer.h"
#include "scan/include_tree.h"

inline constexpr std::string_view kUsageMessage = "Usage: cludemap (.h file) (.png file)\n";

// What --help prints.
inline constexpr std::string_view kHelpText =
    "Usage: cludemap [-I DIR]... HEADER OUTPUT\n"
    "Writes the include tree of HEADER to OUTPUT as a Graphviz DOT graph.\n"
    "Warnings about missing headers and malformed directives go to standard output.\n"
    "\n"
    "Options:\n"
    "  -I DIR, -IDIR  search DIR for angle-bracket includes, and for quoted includes\n"
    "                 not found next to their includer; repeat it to search several\n"
    "                 directories, in command-line order\n"
    "  --             end of options: every later argument is HEADER or OUTPUT\n"
    "  --help         print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Environment:\n"
    "  CLUDEMAP_INCLUDE_PATH  more directories to search after the -I ones,\n"
    "                         separated by ':' (';' on Windows)\n"
    "\n"
    "See the manual page cludemap(1) for the details.\n";

// The start path as the scan gets it: an argument that begins with a double
// quote loses its first and its last character (a quote that a shell handed
// through); a lone quote becomes empty.
std::string rootPathFromArgument(std::string_view argument);

// Writes the whole DOT file for the trees below `roots`, each a start
// header, to `out`: the opening text, the statements and the closing line.
void writeDotFile(std::ostream& out, RunState& run, const std::vector<IncludeNode>& roots,
                  const DotOptions& options = {});

// Runs the tool on a command line as parseCommandLine reads it: the header,
// the output file, and -I directories searched before those of
// CLUDEMAP_INCLUDE_PATH. Help, version, usage and scan warnings go to `out`;
// command-line and write errors to `err`. Returns the exit status: 0 after
// writing the graph or the help or version, -1 for a bad command line, 1 when
// the output file cannot be written or `out` refused the warnings (the graph
// is written all the same).
//
// The run's tree and tables are not freed: the process is to end right after
// (main ends it without exit handlers), and the system takes their memory
// back at once, where freeing a tree of a million nodes and the scan's
// tables one allocation at a time costs about a fifth of a run.
int runCludemap(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif  // CLUDEMAP_APP_DRIVER_H_
