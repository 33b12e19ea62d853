#include "scan/include_directive.h"

#include <cstring>

namespace {

constexpr std::string_view kKeyword = "include";
constexpr std::string_view kNextSuffix = "_next";
constexpr std::string_view kLineComment = "//";

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t skipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && isBlank(text[at])) ++at;
  return at;
}

// Where "include" stands after the '#' at `hash` and the blanks after it,
// or npos.
std::size_t keywordAfter(std::string_view text, std::size_t hash) {
  const std::size_t at = skipBlanks(text, hash + 1);
  return text.substr(at, kKeyword.size()) == kKeyword ? at : std::string_view::npos;
}

// The first '#' from `from` on that starts a directive; npos when none
// does.
std::size_t directiveStart(std::string_view text, std::size_t from) {
  for (std::size_t hash = text.find('#', from); hash != std::string_view::npos;
       hash = text.find('#', hash + 1)) {
    if (keywordAfter(text, hash) != std::string_view::npos) return hash;
  }
  return std::string_view::npos;
}

// The index where the line holding `position` starts: just past the CR or LF
// before it, but not before `first`, which is known to start a line.
std::size_t lineStart(std::string_view bytes, std::size_t first, std::size_t position) {
  while (position > first && !isLineEnd(bytes[position - 1])) --position;
  return position;
}

// The index just past the CR or LF that ends the line holding `position`, or
// bytes.size() for a last line without one.
std::size_t lineEnd(std::string_view bytes, std::size_t position) {
  while (position < bytes.size() && !isLineEnd(bytes[position])) ++position;
  return position == bytes.size() ? position : position + 1;
}

// The part of a line the scan sees: everything before the first zero byte.
std::string_view lineContent(std::string_view line) {
  const void* zero = std::memchr(line.data(), '\0', line.size());
  if (zero == nullptr) return line;
  return line.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - line.data()));
}

// The text from `start` up to the next `close`, or to the end of the line.
std::string_view delimitedName(std::string_view line, std::size_t start, char close) {
  return line.substr(start, line.find(close, start) - start);
}

}  // namespace

bool parseIncludeLine(std::string_view line, DirectiveView& directive) {
  const std::size_t hash = directiveStart(line, 0);
  if (hash == std::string_view::npos) return false;
  const std::size_t comment = line.find(kLineComment);
  if (comment != std::string_view::npos && comment < hash) return false;

  std::size_t start = keywordAfter(line, hash) + kKeyword.size();
  const bool next = line.substr(start, kNextSuffix.size()) == kNextSuffix;
  if (next) start += kNextSuffix.size();
  start = skipBlanks(line, start);
  const char opener = start < line.size() ? line[start] : '\0';
  if (opener == '"') {
    directive.kind = next ? IncludeKind::kNext : IncludeKind::kQuoted;
    directive.text = delimitedName(line, start + 1, '"');
    directive.label = next ? std::string_view() : directive.text;
  } else if (opener == '<') {
    directive.kind = next ? IncludeKind::kNext : IncludeKind::kAngle;
    directive.text = delimitedName(line, start + 1, '>');
    // '<', the name and '>'; without a '>' the name already runs to the end.
    directive.label = line.substr(start, directive.text.size() + 2);
  } else {
    directive.kind = IncludeKind::kMalformed;
    directive.text = line;
    directive.label = std::string_view();
  }
  return true;
}

void forEachIncludeDirective(std::string_view bytes,
                             const std::function<void(const DirectiveView&)>& visit) {
  DirectiveView directive;
  // Only lines holding a directive start can be directives, so the search
  // jumps from one to the next instead of splitting every line; `start` is
  // always the start of a line.
  std::size_t start = 0;
  for (std::size_t hash = directiveStart(bytes, 0); hash != std::string_view::npos;
       hash = directiveStart(bytes, start)) {
    const std::size_t first = lineStart(bytes, start, hash);
    start = lineEnd(bytes, hash + 1);
    if (parseIncludeLine(lineContent(bytes.substr(first, start - first)), directive)) {
      visit(directive);
    }
  }
}
