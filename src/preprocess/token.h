// Preprocessing tokens of directive lines, as the directive evaluator sees
// them. Only directive lines are ever tokenized: ordinary text is skipped.
#ifndef CLUDEMAP_PREPROCESS_TOKEN_H_
#define CLUDEMAP_PREPROCESS_TOKEN_H_

#include <cstdint>
#include <string_view>
#include <vector>

enum class TokenKind : std::uint8_t {
  kIdentifier,  // also keywords, and `defined`, `__has_include`, ...
  kNumber,      // a pp-number: 0x1F, 1'000, 1.5e+3, 10ULL
  kCharacter,   // 'a', u8'a', L'\n' (with its prefix)
  kString,      // "a", u8"a", R"x(...)x" (with its prefix)
  kHeaderName,  // <a/b.h> after #include, #include_next, #import only
  kPunctuator,  // the longest punctuator: <<=, ##, ..., ->*
  kOther,       // any other byte ('@', a stray '\'), or an unterminated literal to the line's end
};

// One token. `text` is its spelling, viewed in storage that outlives every
// use of the token: the directive text a file's lexed form keeps, or the
// arena of the expansion that made it.
struct Token {
  TokenKind kind = TokenKind::kOther;
  // White space (or a comment) stood before it on its line: stringizing and
  // the spelling of a computed include depend on it.
  bool spaceBefore = false;
  // Macro expansion only: the name of a macro met inside its own expansion
  // is never expanded again, even when its tokens are rescanned later.
  bool noExpand = false;
  std::string_view text;

  bool is(TokenKind k, std::string_view t) const { return kind == k && text == t; }
  bool isPunctuator(std::string_view t) const { return is(TokenKind::kPunctuator, t); }
  bool isIdentifier(std::string_view t) const { return is(TokenKind::kIdentifier, t); }
};

using Tokens = std::vector<Token>;

#endif  // CLUDEMAP_PREPROCESS_TOKEN_H_
