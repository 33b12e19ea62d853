// Which file names are C and C++ code, by their endings: the one list of
// them, for the two questions the tool asks.
#ifndef CLUDEMAP_UTIL_SOURCE_NAMES_H_
#define CLUDEMAP_UTIL_SOURCE_NAMES_H_

#include <optional>
#include <string_view>

enum class SourceLanguage { kC, kCxx };

// Whether `extension` (the text after the name's last dot, letter case as
// written) is that of a source file a build compiles: c, cc, cp, cpp, cxx,
// c++, the upper-case C, CC, CPP and CXX, Objective-C's m, mm and M, and
// CUDA's cu.
bool isCompiledExtension(std::string_view extension);

// Whether `extension` is that of a file a person writes C or C++ in, which
// the tool does not write over unasked: a header (h, hh, hpp, hxx, h++,
// inl, ipp, tcc) or a source (c, cc, cpp, cxx, c++), in lower case.
bool isHandWrittenExtension(std::string_view extension);

// The language a compiler reads a file of `extension` in when nothing else
// says: C for c and m (Objective-C counts as the C it extends); C++ for cc,
// cp, cpp, cxx, c++, C, CC, CPP, CXX, mm, M, cu and the C++ headers hh, hpp,
// hxx, h++, ipp, tcc. Nothing for h, inl and other extensions: there the
// compiler decides (a C compiler reads a .h as C).
std::optional<SourceLanguage> extensionLanguage(std::string_view extension);

#endif  // CLUDEMAP_UTIL_SOURCE_NAMES_H_
