// The include directories a compile command names, by kind.
#ifndef CLUDEMAP_COMPDB_INCLUDE_OPTIONS_H_
#define CLUDEMAP_COMPDB_INCLUDE_OPTIONS_H_

#include <string>
#include <vector>

// Each list in the order of the command.
struct IncludeOptions {
  std::vector<std::string> quote;    // -iquote: searched for quoted names only
  std::vector<std::string> include;  // -I, and /I of cl-style compilers
  std::vector<std::string> system;   // -isystem, -external:I (and /external:I of cl-style ones)
  std::vector<std::string> after;    // -idirafter
};

// The include options of `arguments`, a compile command as words with the
// compiler first. Each option takes its directory attached ("-Idir") or as
// the next word ("-I dir"). Slash options are read only when the compiler
// is cl-style (cl or clang-cl, by its file name): for others "/I..." is a
// path. Every other word is left alone. Relative directories are resolved
// against `directory`, the absolute directory the command runs in, and
// every directory is given in normal form (lexical_path.h).
IncludeOptions includeOptions(const std::vector<std::string>& arguments,
                              const std::string& directory);

#endif  // CLUDEMAP_COMPDB_INCLUDE_OPTIONS_H_
