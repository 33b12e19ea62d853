#include "scan/include_directive.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::string_view kIncludeKeyword = "#include";
constexpr std::string_view kLineComment = "//";

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

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
  const std::size_t keyword = line.find(kIncludeKeyword);
  if (keyword == std::string_view::npos) return false;
  const std::size_t comment = line.find(kLineComment);
  if (comment != std::string_view::npos && comment < keyword) return false;

  std::size_t start = keyword + kIncludeKeyword.size();
  while (start < line.size() && line[start] == ' ') ++start;
  const char opener = start < line.size() ? line[start] : '\0';
  if (opener == '"') {
    directive.kind = IncludeDirective::Kind::kQuoted;
    directive.text = delimitedName(line, start + 1, '"');
    directive.label = directive.text;
  } else if (opener == '<') {
    directive.kind = IncludeDirective::Kind::kAngle;
    directive.text = delimitedName(line, start + 1, '>');
    // '<', the name and '>'; without a '>' the name already runs to the end.
    directive.label = line.substr(start, directive.text.size() + 2);
  } else {
    directive.kind = IncludeDirective::Kind::kMalformed;
    directive.text = line;
    directive.label = std::string_view();
  }
  return true;
}

bool parseIncludeLine(std::string_view line, IncludeDirective& directive) {
  DirectiveView view;
  if (!parseIncludeLine(line, view)) return false;
  directive.kind = view.kind;
  directive.text.assign(view.text);
  directive.label.assign(view.label);
  return true;
}

void forEachIncludeDirective(std::string_view bytes,
                             const std::function<void(const DirectiveView&)>& visit) {
  DirectiveView directive;
  // Only lines holding the keyword can be directives, so the search jumps
  // from one keyword to the next instead of splitting every line; `start`
  // is always the start of a line.
  std::size_t start = 0;
  for (std::size_t keyword = bytes.find(kIncludeKeyword); keyword != std::string_view::npos;
       keyword = bytes.find(kIncludeKeyword, start)) {
    const std::size_t first = lineStart(bytes, start, keyword);
    start = lineEnd(bytes, keyword + kIncludeKeyword.size());
    if (parseIncludeLine(lineContent(bytes.substr(first, start - first)), directive)) {
      visit(directive);
    }
  }
}

std::vector<IncludeDirective> parseIncludeDirectives(std::string_view bytes) {
  std::vector<IncludeDirective> directives;
  forEachIncludeDirective(bytes, [&](const DirectiveView& directive) {
    directives.push_back(IncludeDirective{directive.kind, std::string(directive.text),
                                          std::string(directive.label)});
  });
  return directives;
}
