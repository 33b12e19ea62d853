// The values of integer and character literals in #if expressions, as GCC
// computes them.
#ifndef CLUDEMAP_PREPROCESS_LITERAL_VALUE_H_
#define CLUDEMAP_PREPROCESS_LITERAL_VALUE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "preprocess/macro_expander.h"

// #if computes in intmax_t and uintmax_t: 64 bits, two's complement.
struct IfValue {
  std::uint64_t bits = 0;
  bool isUnsigned = false;
};

// A literal's value, with the compiler's error when it reports one: then
// the value is what the compiler goes on with (0 for a floating constant or
// a bad digit or suffix, the digits' value for a user-defined literal).
struct LiteralValue {
  IfValue value;
  std::string error;
};

// A pp-number: decimal, octal, hexadecimal or binary, with digit separators
// where the language has them and the suffixes u, l, ll, z.
LiteralValue numberValue(std::string_view text, const Language& language);

// A character literal with its prefix (L, u, U, u8): escapes, UTF-8 source
// characters, and GCC's values for multi-character constants.
LiteralValue characterValue(std::string_view text, const Language& language);

#endif  // CLUDEMAP_PREPROCESS_LITERAL_VALUE_H_
