#include "preprocess/lexical.h"

namespace lexical {
namespace {

constexpr std::size_t kMaxDelimiter = 16;

bool hexDigits(std::string_view text, std::size_t start, std::size_t count) {
  if (text.size() < start + count) return false;
  for (std::size_t i = start; i < start + count; ++i) {
    if (!is(text[i], kHexDigit)) return false;
  }
  return true;
}

bool isDigitSeparator(char c, const Dialect& dialect) {
  return c == '\'' && dialect.digitSeparators;
}

bool isExponent(char c) { return c == 'e' || c == 'E' || c == 'p' || c == 'P'; }

// A character the delimiter of a raw string may hold.
bool isDelimiterChar(char c) {
  return c != ' ' && c != '(' && c != ')' && c != '\\' && c != '\t' && c != '\v' && c != '\f' &&
         c != '\n' && c != '\r';
}

}  // namespace

std::size_t extendedLength(std::string_view text, std::size_t start, const Dialect& dialect) {
  const char c = at(text, start);
  if (c == '$') return dialect.dollarsInIdentifiers ? 1 : 0;
  // Any byte of a multi-byte character counts: the compiler also checks the
  // character is one identifiers may hold, which changes only diagnostics.
  if (is(c, kExtended)) return 1;
  if (c != '\\') return 0;
  const char u = at(text, start + 1);
  if (u == 'u' && hexDigits(text, start + 2, 4)) return 6;
  if (u == 'U' && hexDigits(text, start + 2, 8)) return 10;
  return 0;
}

std::size_t identifierEnd(std::string_view text, std::size_t start, const Dialect& dialect) {
  std::size_t end = start;
  while (end < text.size()) {
    const char c = text[end];
    if (isIdentifierNumber(c)) {
      ++end;
    } else if (const std::size_t extra = mayExtend(c) ? extendedLength(text, end, dialect) : 0) {
      end += extra;
    } else {
      break;
    }
  }
  return end;
}

std::size_t numberEnd(std::string_view text, std::size_t start, const Dialect& dialect) {
  // As the compiler lexes: letters, digits, '_', '.', a sign after an
  // exponent letter and digit separators, with separators at the end given
  // back; then '$', UCNs and UTF-8 continue the number.
  std::size_t end = start;
  for (;;) {
    const std::size_t from = end;
    while (end < text.size()) {
      const char c = text[end];
      const char before = text[end - 1];
      if (isIdentifierNumber(c) || isDigitSeparator(c, dialect) ||
          (c == '.' && !isDigitSeparator(before, dialect)) ||
          ((c == '+' || c == '-') && isExponent(before))) {
        ++end;
      } else {
        break;
      }
    }
    while (end > from && isDigitSeparator(text[end - 1], dialect)) --end;
    const std::size_t extra = mayExtend(at(text, end)) ? extendedLength(text, end, dialect) : 0;
    if (extra == 0) return end;
    end += extra;
  }
}

std::size_t prefixedQuote(std::string_view text, std::size_t start, const Dialect& dialect,
                          bool& raw) {
  std::size_t i = start;
  const char c = at(text, i);
  if (c == 'u' && at(text, i + 1) == '8') {
    i += 2;
  } else if (c == 'u' || c == 'U' || c == 'L') {
    ++i;
  }
  raw = dialect.rawStrings && at(text, i) == 'R' && at(text, i + 1) == '"';
  if (raw) return i + 1;
  // R' starts no literal; the prefixes before a quote need no dialect:
  // without them the same text is an identifier and a literal, which skip
  // alike.
  if (i > start && (at(text, i) == '"' || at(text, i) == '\'')) return i;
  return std::string_view::npos;
}

std::size_t quotedEnd(std::string_view text, std::size_t quote, bool escapes) {
  const char terminator = text[quote];
  for (std::size_t i = quote + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == terminator) return i + 1;
    if (c == '\\' && escapes) ++i;
  }
  return std::string_view::npos;
}

std::size_t rawEnd(std::string_view text, std::size_t quote, bool& wellFormed) {
  const std::size_t open = quote + 1;
  std::size_t i = open;
  while (i < text.size() && i - open < kMaxDelimiter && isDelimiterChar(text[i])) ++i;
  if (i == text.size()) return std::string_view::npos;
  wellFormed = text[i] == '(';
  if (!wellFormed) {
    const std::size_t close = text.find('"', i + 1);
    return close == std::string_view::npos ? close : close + 1;
  }
  const std::string_view delimiter = text.substr(open, i - open);
  for (std::size_t close = text.find(')', i + 1); close != std::string_view::npos;
       close = text.find(')', close + 1)) {
    if (text.substr(close + 1, delimiter.size()) == delimiter &&
        at(text, close + 1 + delimiter.size()) == '"') {
      return close + delimiter.size() + 2;
    }
  }
  return std::string_view::npos;
}

std::size_t suffixEnd(std::string_view text, std::size_t end, const Dialect& dialect,
                      bool anyName) {
  if (!dialect.literalSuffixes || !isIdentifierStart(at(text, end))) return end;
  if (!anyName && (at(text, end) != '_' || at(text, end + 1) == '_')) return end;
  ++end;
  while (end < text.size() && isIdentifierNumber(text[end])) ++end;
  return end;
}

}  // namespace lexical
