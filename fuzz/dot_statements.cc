#include "fuzz/dot_statements.h"

namespace {

constexpr std::size_t kLongestGraphvizRun = 16383;

std::string at(std::string_view what, std::size_t offset) {
  return std::string(what) + " at byte " + std::to_string(offset);
}

// Decodes the quoted string whose opening quote is at `offset`, appending
// its contents to `contents` and leaving `offset` on the closing quote.
std::string readQuotedString(std::string_view text, std::size_t& offset, std::string& contents) {
  std::size_t run = 0;
  for (++offset; offset < text.size(); ++offset) {
    const char c = text[offset];
    if (c == '"') return "";
    if (c == '\r' || c == '\n' || c == '\0')
      return at("raw CR, LF or zero byte in a string", offset);
    if (c != '\\') {
      if (++run > kLongestGraphvizRun) return at("run too long for Graphviz", offset);
      contents += c;
      continue;
    }
    run = 0;
    if (++offset == text.size()) break;
    switch (text[offset]) {
      case '\\':
        contents += '\\';
        break;
      case '"':
        contents += '"';
        break;
      case 'r':
        contents += '\r';
        break;
      case 'n':
        contents += '\n';
        break;
      case '\n':
        break;
      default:
        return at("unknown escape", offset);
    }
  }
  return at("unterminated string", offset);
}

}  // namespace

std::string readDotStatements(std::string_view text, std::vector<DotStatement>& statements) {
  DotStatement statement;
  for (std::size_t offset = 0; offset < text.size(); ++offset) {
    const char c = text[offset];
    if (c == '"') {
      statement.strings.emplace_back();
      const std::string problem = readQuotedString(text, offset, statement.strings.back());
      if (!problem.empty()) return problem;
      statement.shape += "\"\"";
    } else if (c == '\n') {
      statements.push_back(std::move(statement));
      statement = DotStatement{};
    } else if (c == '\\' || c == '\r' || c == '\0') {
      return at("backslash, CR or zero byte outside a string", offset);
    } else {
      statement.shape += c;
    }
  }
  if (!statement.shape.empty()) return "last statement has no line end";
  return "";
}
