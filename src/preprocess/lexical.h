// The character classes and literal shapes that the tokenizer and the
// directive lexer share, so that both split text where the compiler does.
#ifndef CLUDEMAP_PREPROCESS_LEXICAL_H_
#define CLUDEMAP_PREPROCESS_LEXICAL_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "preprocess/dialect.h"

namespace lexical {

enum : std::uint8_t {
  kIdentifierNumber = 1,  // letters, digits and '_'
  kDigit = 2,
  kHexDigit = 4,
  kBlank = 8,      // white space within a line: ' ', '\t', '\f', '\v' and the ignored '\0'
  kExtended = 16,  // bytes of UTF-8 characters, which identifiers may hold
};

constexpr std::array<std::uint8_t, 256> makeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    std::uint8_t k = 0;
    const bool lower = c >= 'a' && c <= 'z';
    const bool upper = c >= 'A' && c <= 'Z';
    const bool digit = c >= '0' && c <= '9';
    if (lower || upper || digit || c == '_') k |= kIdentifierNumber;
    if (digit) k |= kDigit;
    if (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) k |= kHexDigit;
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0') k |= kBlank;
    if (c >= 0x80) k |= kExtended;
    classes[static_cast<std::size_t>(c)] = k;
  }
  return classes;
}
inline constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

inline bool is(char c, std::uint8_t classes) {
  return (kClasses[static_cast<unsigned char>(c)] & classes) != 0;
}
inline bool isBlank(char c) { return is(c, kBlank); }
inline bool isDigit(char c) { return is(c, kDigit); }
inline bool isIdentifierNumber(char c) { return is(c, kIdentifierNumber); }
inline bool isIdentifierStart(char c) { return isIdentifierNumber(c) && !isDigit(c); }
// Whether extendedLength() may find something at a `c`.
inline bool mayExtend(char c) { return c == '$' || c == '\\' || is(c, kExtended); }

// The byte at `at`, or '\0' past the end: lookahead never needs a bounds
// check of its own.
inline char at(std::string_view text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

// The length of the characters at `start` that an identifier (or a pp-number)
// holds besides letters, digits and '_': a '$' when the dialect allows it,
// a universal character name \uXXXX or \UXXXXXXXX, a UTF-8 byte. 0 when
// none stands there.
std::size_t extendedLength(std::string_view text, std::size_t start, const Dialect& dialect);

// The end of the identifier that starts at `start`.
std::size_t identifierEnd(std::string_view text, std::size_t start, const Dialect& dialect);

// The end of the pp-number whose first character (a digit, or the digit
// after a '.') ends at `start`.
std::size_t numberEnd(std::string_view text, std::size_t start, const Dialect& dialect);

// Where the quote of a character or string literal with an encoding prefix
// (L, u, U, u8) or a raw string's R stands, for the identifier-like text at
// `start`; npos when no literal starts there. `raw` tells which.
std::size_t prefixedQuote(std::string_view text, std::size_t start, const Dialect& dialect,
                          bool& raw);

// The end of the literal whose opening quote is at `quote`, just past its
// closing quote. `escapes` is false in the header name of an #include,
// where '\' escapes nothing. npos when the line (all of `text`) ends first.
std::size_t quotedEnd(std::string_view text, std::size_t quote, bool escapes);

// The end of the raw string whose opening quote is at `quote`, just past
// its closing quote: the first ")delimiter\"" after "delimiter(". npos when
// `text` ends first. A delimiter that is too long or holds a character it
// may not (' ', '\\', a line end, ...) makes the compiler give up on the
// raw string: it then ends at the next '"' after that character, and
// `wellFormed` is false.
std::size_t rawEnd(std::string_view text, std::size_t quote, bool& wellFormed);

// After a literal that ends at `end`: the end of its user-defined suffix,
// or `end`. The compiler takes a suffix like "_x" always, and any other
// ("sv", "PRIx64") only when it is no macro name, which lexing cannot know:
// `anyName` takes those too.
std::size_t suffixEnd(std::string_view text, std::size_t end, const Dialect& dialect, bool anyName);

}  // namespace lexical

#endif  // CLUDEMAP_PREPROCESS_LEXICAL_H_
