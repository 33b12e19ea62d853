// The language options that change how source text splits into tokens.
#ifndef CLUDEMAP_PREPROCESS_DIALECT_H_
#define CLUDEMAP_PREPROCESS_DIALECT_H_

#include <string_view>

// The defaults are the compiler's default language for C++ (gnu++17).
struct Dialect {
  bool cplusplus = true;  // '::', '.*' and '->*' are punctuators; '<::' splits
  // R"x(...)x": C++11 on, and the GNU C modes from gnu99 (in C as GCC has
  // them; clang has them in C++ only).
  bool rawStrings = true;
  bool digitSeparators = true;       // 1'000: C++14 on, and C2X
  bool literalSuffixes = true;       // "a"_x, 'a'_x: C++11 on
  bool spaceship = false;            // '<=>': C++20 on
  bool digraphs = true;              // '%:', '<:', ...: all but strict C89
  bool dollarsInIdentifiers = true;  // off with -fno-dollars-in-identifiers
  bool trigraphs = false;            // ??= for #, ??/ for \, ...: the strict modes before C++17
};

// The dialect of a -std= value ("c++17", "gnu11", "iso9899:1999", "c++2b"),
// for C++ or C as `cplusplus` says (the -x language or the file's suffix);
// an empty or unknown `standard` gives the compiler's default for that
// language (gnu++17, gnu17).
Dialect dialectFor(bool cplusplus, std::string_view standard);

#endif  // CLUDEMAP_PREPROCESS_DIALECT_H_
