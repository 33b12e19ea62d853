// The command-line driver: arguments in, warnings, DOT file and exit status
// out.
#ifndef CLUDEMAP_APP_DRIVER_H_
#define CLUDEMAP_APP_DRIVER_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// What --help prints.
inline constexpr std::string_view kHelpText =
    "Usage: cludemap [OPTION]... [--] HEADER OUTPUT\n"
    "       cludemap [OPTION]... -o OUTPUT [--] HEADER...\n"
    "       cludemap [OPTION]... -p PATH --all OUTPUT\n"
    "Writes the include tree of each HEADER to OUTPUT, as a Graphviz DOT graph or a\n"
    "picture; OUTPUT - is standard output. Warnings about missing headers and\n"
    "malformed directives go to standard output (standard error with OUTPUT -).\n"
    "\n"
    "Include search:\n"
    "  -iquote DIR     search DIR for quoted includes only, before -I\n"
    "  -I DIR          search DIR for angle-bracket includes, and for quoted includes\n"
    "                  not found next to their includer\n"
    "  -isystem DIR    search DIR after -I; what it holds are system headers\n"
    "  -idirafter DIR  search DIR last, as a system directory\n"
    "  -p PATH         add the include options of the compile_commands.json entry\n"
    "                  that fits the first HEADER (PATH: the file or its directory)\n"
    "  --query-compiler[=CXX]  add the compiler's own directories (the database\n"
    "                  entry's compiler, else $CXX, else c++)\n"
    "  --all           start from every source file of the -p database, in its\n"
    "                  order, each with its own entry's include options; no HEADER\n"
    "  -v, --verbose   print the chosen database entry and the search list\n"
    "The compiler's view:\n"
    "  --preprocess    follow only the includes the compiler follows: evaluate\n"
    "                  #if, #define and computed includes, as each start file's\n"
    "                  own translation unit (predefined macros with\n"
    "                  --query-compiler only)\n"
    "  -D NAME[=VALUE], -U NAME, -include FILE, -imacros FILE\n"
    "                  as the compiler takes them, before those of -p's entry\n"
    "Shaping the graph:\n"
    "  --tree          draw each header once, below where it is first met\n"
    "  --max-depth N   do not expand headers N includes below a start header\n"
    "  --leaf GLOB     do not expand headers whose name or path matches GLOB\n"
    "  --exclude GLOB  leave out headers whose name or path matches GLOB\n"
    "  --system=MODE   follow (default), leaf or hide system headers\n"
    "  --warnings=MODE all (default), once (each distinct warning once) or none\n"
    "Output:\n"
    "  -o OUTPUT       write to OUTPUT; every other argument is then a HEADER\n"
    "  -T FORMAT       dot (default), svg, png, pdf, json, report (the files met,\n"
    "                  their sizes and what each drags in), html (a page to\n"
    "                  explore them in a browser, offline) or make (a rule per\n"
    "                  start file, as the compiler's -M writes it)\n"
    "  --phony         with -T make, an empty rule for each header too\n"
    "  --why GLOB      write a shortest include chain to each file matching GLOB\n"
    "  --compare BASE  write what changed since the -T json document BASE; exit\n"
    "                  status 3 when a start header's closure grew\n"
    "  -K ENGINE       Graphviz layout engine for pictures: dot (default), sfdp, ...\n"
    "  --              end of options: every later argument is HEADER or OUTPUT\n"
    "  --help          print this help and exit\n"
    "  --version       print the version and exit\n"
    "Options taking a value accept it attached too: -Iinc, -Tsvg, --max-depth=2.\n"
    "\n"
    "Environment:\n"
    "  CLUDEMAP_INCLUDE_PATH  system directories to search after -isystem,\n"
    "                         separated by ':' (';' on Windows)\n"
    "\n"
    "See the manual page cludemap(1) for the details.\n";

// Runs the tool on a command line as parseCommandLine reads it: the header,
// the output file, and -I directories searched before those of
// CLUDEMAP_INCLUDE_PATH. Help, version, usage and scan warnings go to `out`;
// each error's one line to `err`. Returns the exit status: 0 after writing
// the output or the help or version, else that of the error that ended the
// run (exitStatusOf, exit_status.h). Warnings that cannot be written fail
// the run as an output error, and the output is written all the same.
//
// The run's tree and tables are not freed: the process is to end right after
// (main ends it without exit handlers), and the system takes their memory
// back at once, where freeing a tree of a million nodes and the scan's
// tables one allocation at a time costs about a fifth of a run.
int runCludemap(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif  // CLUDEMAP_APP_DRIVER_H_
