#include "preprocess/tokenize.h"

#include "preprocess/lexical.h"

namespace {

using lexical::at;

// The length of the longest punctuator at `i`, or 0.
std::size_t punctuatorLength(std::string_view text, std::size_t i, const Dialect& dialect) {
  const char c1 = at(text, i + 1);
  const char c2 = at(text, i + 2);
  const bool cxx = dialect.cplusplus;
  const bool digraphs = dialect.digraphs;
  switch (text[i]) {
    case '{':
    case '}':
    case '[':
    case ']':
    case '(':
    case ')':
    case ';':
    case '?':
    case '~':
    case ',':
      return 1;
    case '#':
      return c1 == '#' ? 2 : 1;
    case '.':
      if (c1 == '.' && c2 == '.') return 3;
      return cxx && c1 == '*' ? 2 : 1;
    case ':':
      return (cxx && c1 == ':') || (digraphs && c1 == '>') ? 2 : 1;
    case '+':
    case '&':
    case '|':
      return c1 == text[i] || c1 == '=' ? 2 : 1;
    case '-':
      if (c1 == '>') return cxx && c2 == '*' ? 3 : 2;
      return c1 == '-' || c1 == '=' ? 2 : 1;
    case '*':
    case '/':
    case '^':
    case '!':
    case '=':
      return c1 == '=' ? 2 : 1;
    case '%':
      if (digraphs && c1 == ':') return c2 == '%' && at(text, i + 3) == ':' ? 4 : 2;
      return (digraphs && c1 == '>') || c1 == '=' ? 2 : 1;
    case '<':
      if (c1 == '<') return c2 == '=' ? 3 : 2;
      if (c1 == '=') return dialect.spaceship && c2 == '>' ? 3 : 2;
      if (digraphs && c1 == ':') {
        // C++11: "<::" is '<' and "::" unless ':' or '>' follows, so that
        // a<::b> works.
        const char c3 = at(text, i + 3);
        return cxx && c2 == ':' && c3 != ':' && c3 != '>' ? 1 : 2;
      }
      return digraphs && c1 == '%' ? 2 : 1;
    case '>':
      if (c1 == '>') return c2 == '=' ? 3 : 2;
      return c1 == '=' ? 2 : 1;
    default:
      return 0;
  }
}

class LineLexer {
 public:
  LineLexer(std::string_view text, const Dialect& dialect) : text_(text), dialect_(dialect) {}

  // The token starting at `start`, a byte that is no blank, with its end.
  TokenKind next(std::size_t start, std::size_t& end) const {
    const char c = text_[start];
    if (lexical::isIdentifierStart(c) || lexical::extendedLength(text_, start, dialect_) != 0) {
      bool raw = false;
      const std::size_t quote = lexical::prefixedQuote(text_, start, dialect_, raw);
      if (quote != std::string_view::npos) return literal(quote, raw, end);
      end = lexical::identifierEnd(text_, start, dialect_);
      return TokenKind::kIdentifier;
    }
    if (lexical::isDigit(c) || (c == '.' && lexical::isDigit(at(text_, start + 1)))) {
      end = lexical::numberEnd(text_, start + 1, dialect_);
      return TokenKind::kNumber;
    }
    if (c == '"' || c == '\'') return literal(start, false, end);
    const std::size_t length = punctuatorLength(text_, start, dialect_);
    end = start + (length == 0 ? 1 : length);
    return length == 0 ? TokenKind::kOther : TokenKind::kPunctuator;
  }

  // The header name or quoted name at `start` after #include, if one is
  // there.
  bool headerName(std::size_t start, TokenKind& kind, std::size_t& end) const {
    const char c = text_[start];
    const std::size_t close = c == '<'   ? text_.find('>', start + 1)
                              : c == '"' ? lexical::quotedEnd(text_, start, false)
                                         : std::string_view::npos;
    if (close == std::string_view::npos) return false;
    kind = c == '<' ? TokenKind::kHeaderName : TokenKind::kString;
    end = c == '<' ? close + 1 : close;
    return true;
  }

 private:
  // The literal whose quote is at `quote`; one kOther token through the end
  // of the line when it has no end.
  TokenKind literal(std::size_t quote, bool raw, std::size_t& end) const {
    bool wellFormed = true;
    end = raw ? lexical::rawEnd(text_, quote, wellFormed) : lexical::quotedEnd(text_, quote, true);
    if (end == std::string_view::npos || !wellFormed) {
      if (!wellFormed) return TokenKind::kOther;
      end = text_.size();
      return TokenKind::kOther;
    }
    end = lexical::suffixEnd(text_, end, dialect_, false);
    return text_[quote] == '\'' ? TokenKind::kCharacter : TokenKind::kString;
  }

  std::string_view text_;
  const Dialect& dialect_;
};

}  // namespace

Tokens tokenize(std::string_view text, bool headerName, const Dialect& dialect) {
  Tokens tokens;
  const LineLexer lexer(text, dialect);
  bool space = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (lexical::isBlank(text[i]) || text[i] == '\n' || text[i] == '\r') {
      space = true;
      ++i;
      continue;
    }
    std::size_t end = i;
    TokenKind kind = TokenKind::kOther;
    if (!(headerName && tokens.empty() && lexer.headerName(i, kind, end)))
      kind = lexer.next(i, end);
    Token& token = tokens.emplace_back();
    token.kind = kind;
    token.spaceBefore = space;
    token.text = text.substr(i, end - i);
    space = false;
    i = end;
  }
  return tokens;
}

std::string_view digraphMeaning(std::string_view punctuator) {
  struct Digraph {
    std::string_view spelling, meaning;
  };
  constexpr Digraph kDigraphs[] = {{"%:", "#"}, {"%:%:", "##"}, {"<:", "["},
                                   {":>", "]"}, {"<%", "{"},    {"%>", "}"}};
  for (const Digraph& d : kDigraphs) {
    if (punctuator == d.spelling) return d.meaning;
  }
  return punctuator;
}
