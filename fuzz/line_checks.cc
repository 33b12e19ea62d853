#include "fuzz/line_checks.h"

#include <algorithm>
#include <vector>

#include "fuzz/dot_statements.h"
#include "graph/dot_writer.h"
#include "scan/include_directive.h"
#include "scan/scan_header.h"
#include "scan/text_format.h"

namespace {

using Kind = IncludeDirective::Kind;

constexpr std::string_view kKeyword = "#include";
constexpr std::string_view kLineEnds("\r\n", 2);

// The part of each line the scan sees, cut at the first zero byte, for the
// lines that hold a directive. Written independently of the scan: each line
// runs through the first CR or LF after its start.
std::vector<std::string_view> directiveLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of(kLineEnds, start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(start, end - start);
    line = line.substr(0, line.find('\0'));
    const std::size_t keyword = line.find(kKeyword);
    if (keyword != std::string_view::npos &&
        line.substr(0, keyword).find("//") == std::string_view::npos) {
      lines.push_back(line);
    }
    start = end;
  }
  return lines;
}

std::string describe(const IncludeDirective& directive) {
  const char* kind = directive.kind == Kind::kQuoted  ? "quoted"
                     : directive.kind == Kind::kAngle ? "angle"
                                                      : "malformed";
  return std::string(kind) + " directive, text size " + std::to_string(directive.text.size()) +
         ", label size " + std::to_string(directive.label.size());
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A delimited name runs from just after its opener to the closing delimiter,
// or to the end of the line when there is none.
bool isDelimitedName(std::string_view rest, std::string_view name, char close) {
  if (!startsWith(rest, name) || name.find(close) != std::string_view::npos) return false;
  return rest.size() == name.size() || rest[name.size()] == close;
}

std::string checkKind(std::string_view line, const IncludeDirective& directive) {
  std::string_view rest = line.substr(line.find(kKeyword) + kKeyword.size());
  rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
  const char opener = rest.empty() ? '\0' : rest.front();
  switch (directive.kind) {
    case Kind::kQuoted:
      if (opener != '"') return "quoted directive without a quote";
      if (directive.label != directive.text) return "quoted label differs from its text";
      if (!isDelimitedName(rest.substr(1), directive.text, '"')) return "wrong quoted name";
      return "";
    case Kind::kAngle: {
      if (opener != '<') return "angle directive without '<'";
      if (!isDelimitedName(rest.substr(1), directive.text, '>')) return "wrong angle name";
      const bool closed = rest.size() > directive.text.size() + 1;
      if (directive.label != "<" + directive.text + (closed ? ">" : "")) return "wrong angle label";
      return "";
    }
    case Kind::kMalformed:
      if (opener == '"' || opener == '<') return "well-formed directive taken as malformed";
      if (directive.text != line || !directive.label.empty())
        return "malformed text is not its line";
      return "";
  }
  return "unknown kind";
}

std::string checkTextShape(const IncludeDirective& directive) {
  for (const std::string* text : {&directive.text, &directive.label}) {
    if (text->find('\0') != std::string::npos) return "zero byte in a directive";
    const std::size_t lineEnd = text->find_first_of(kLineEnds);
    if (lineEnd != std::string::npos && lineEnd + 1 != text->size()) {
      return "line end inside a directive";
    }
  }
  return "";
}

std::string format(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string text;
  appendFormat(text, format, args);
  return text;
}

// The warning this directive leads to when its file is missing, malformed
// or unresolved must hold its text unchanged, even where the text looks
// like a format placeholder.
std::string checkWarning(const IncludeDirective& directive) {
  const std::string& text = directive.text;
  switch (directive.kind) {
    case Kind::kQuoted:
      return format(kMissingFileWarning, {"dir/" + text}) ==
                     "WARNING: Cannot find file dir/" + text + "\n"
                 ? ""
                 : "wrong missing-file warning";
    case Kind::kAngle:
      return format(kUnresolvedAngleWarning, {text}) ==
                     "WARNING: Cannot open file: <" + text + ">\n"
                 ? ""
                 : "wrong unresolved-angle warning";
    case Kind::kMalformed:
      return format(kMalformedLineWarning, {"dir/f.h", text}) ==
                     "Warning: In file: dir/f.h, line " + text + " is malformatted.\n"
                 ? ""
                 : "wrong malformed-line warning";
  }
  return "unknown kind";
}

std::string checkLabelReadsBack(const std::string& label) {
  std::string statement = "   Node1 [label=\"";
  appendEscapedLabel(statement, label);
  statement += "\"];\n";
  std::vector<DotStatement> statements;
  const std::string problem = readDotStatements(statement, statements);
  if (!problem.empty()) return "escaped label: " + problem;
  if (statements.size() != 1 || statements[0].strings.size() != 1 ||
      statements[0].strings[0] != label) {
    return "escaped label reads back differently";
  }
  return "";
}

std::string checkDirective(std::string_view line, const IncludeDirective& directive) {
  IncludeDirective alone;
  if (!parseIncludeLine(line, alone) || alone.kind != directive.kind ||
      alone.text != directive.text || alone.label != directive.label) {
    return "line alone parses differently";
  }
  for (const std::string& problem :
       {checkKind(line, directive), checkTextShape(directive), checkWarning(directive),
        checkLabelReadsBack(directive.kind == Kind::kMalformed ? directive.text
                                                               : directive.label)}) {
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace

std::string checkLineHandling(std::string_view bytes) {
  const std::vector<IncludeDirective> directives = parseIncludeDirectives(bytes);
  const std::vector<std::string_view> lines = directiveLines(bytes);
  if (directives.size() != lines.size()) {
    return "found " + std::to_string(directives.size()) + " directives in " +
           std::to_string(lines.size()) + " directive lines";
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string problem = checkDirective(lines[i], directives[i]);
    if (!problem.empty()) {
      return "directive " + std::to_string(i) + " (" + describe(directives[i]) + "): " + problem;
    }
  }
  return "";
}
