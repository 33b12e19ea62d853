#include "scan/include_directive.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::string_view kIncludeKeyword = "#include";
constexpr std::string_view kLineComment = "//";

// Returns the index just past the CR or LF that ends the line starting at
// `start`, or bytes.size() for a last line without one.
std::size_t lineEnd(std::string_view bytes, std::size_t start) {
  const std::size_t end = bytes.find_first_of("\r\n", start);
  return end == std::string_view::npos ? bytes.size() : end + 1;
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

bool parseIncludeLine(std::string_view line, IncludeDirective& directive) {
  const std::size_t keyword = line.find(kIncludeKeyword);
  if (keyword == std::string_view::npos) return false;
  const std::size_t comment = line.find(kLineComment);
  if (comment != std::string_view::npos && comment < keyword) return false;

  std::size_t start = keyword + kIncludeKeyword.size();
  while (start < line.size() && line[start] == ' ') ++start;
  const char opener = start < line.size() ? line[start] : '\0';
  if (opener == '"') {
    const std::string_view name = delimitedName(line, start + 1, '"');
    directive.kind = IncludeDirective::Kind::kQuoted;
    directive.text.assign(name);
    directive.label.assign(name);
  } else if (opener == '<') {
    const std::string_view name = delimitedName(line, start + 1, '>');
    directive.kind = IncludeDirective::Kind::kAngle;
    directive.text.assign(name);
    // '<', the name and '>'; without a '>' the name already runs to the end.
    directive.label.assign(line.substr(start, name.size() + 2));
  } else {
    directive.kind = IncludeDirective::Kind::kMalformed;
    directive.text.assign(line);
    directive.label.clear();
  }
  return true;
}

std::vector<IncludeDirective> parseIncludeDirectives(std::string_view bytes) {
  std::vector<IncludeDirective> directives;
  IncludeDirective directive;
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = lineEnd(bytes, start);
    if (parseIncludeLine(lineContent(bytes.substr(start, end - start)), directive)) {
      directives.push_back(std::move(directive));
    }
    start = end;
  }
  return directives;
}
