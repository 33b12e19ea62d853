// The language a compile command compiles its source in, as the compiler
// decides it: C or C++. Objective-C and Objective-C++ count as the language
// they extend.
#ifndef CLUDEMAP_COMPDB_SOURCE_LANGUAGE_H_
#define CLUDEMAP_COMPDB_SOURCE_LANGUAGE_H_

#include <string>
#include <string_view>
#include <vector>

#include "util/source_names.h"

// "c" or "c++", as the compiler's -x option takes it.
const char* languageOption(SourceLanguage language);

// True for a compiler that compiles a plain header (".h") as C: by its file
// name, without ".exe" and version suffixes ("-12", "-14.0", "-posix"), one
// that ends in "cc" or "clang" (gcc, cc, x86_64-linux-gnu-gcc-12, clang-14)
// and not in "++".
bool isCCompiler(std::string_view compiler);

// The language of `file` compiled by `arguments` (a compile command as words,
// the compiler first; may be empty) with `compiler`, the program asked for
// its facts: the last -x of the command (-x c, -xc++, c-header, objective-c,
// cuda, ...); where there is none or it is "none", the file's extension
// (extensionLanguage(), util/source_names.h); a plain .h or an unknown
// extension is C for a C compiler and C++ otherwise.
SourceLanguage sourceLanguageOf(const std::vector<std::string>& arguments, std::string_view file,
                                std::string_view compiler);

#endif  // CLUDEMAP_COMPDB_SOURCE_LANGUAGE_H_
