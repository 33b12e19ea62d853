// Recognition of #include directives in the bytes of one header.
#ifndef CLUDEMAP_SCAN_INCLUDE_DIRECTIVE_H_
#define CLUDEMAP_SCAN_INCLUDE_DIRECTIVE_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What one line of a header contributes to the scan.
struct IncludeDirective {
  enum class Kind {
    kQuoted,     // #include "name"
    kAngle,      // #include <name>
    kMalformed,  // #include followed by anything else
  };
  Kind kind = Kind::kMalformed;
  // Quoted and angle: the name between the delimiters, or to the end of the
  // line (line end included) when the closing delimiter is missing.
  // Malformed: the whole line content, line end included.
  std::string text;
  // The label a child gets: the quoted name, or the angle name from '<'
  // through '>' (to the end of the line when there is no '>').
  std::string label;
};

// An IncludeDirective whose texts are views into the bytes it was read from.
struct DirectiveView {
  IncludeDirective::Kind kind = IncludeDirective::Kind::kMalformed;
  std::string_view text;
  std::string_view label;
};

// Classifies one line. `line` is the line content: its bytes up to the first
// zero byte, ending in the CR or LF that ended it if any. Returns false for
// lines that are not directives: no "#include", or a "//" before it. Only the
// first "#include" of a line counts, and only spaces may follow it before the
// name.
bool parseIncludeLine(std::string_view line, DirectiveView& directive);
bool parseIncludeLine(std::string_view line, IncludeDirective& directive);

// Calls `visit` with each directive of a whole header, in line order, by the
// rules of parseIncludeDirectives. The views point into `bytes`, so a header
// is parsed without allocating.
void forEachIncludeDirective(std::string_view bytes,
                             const std::function<void(const DirectiveView&)>& visit);

// The directives of a whole header, in line order. Each CR and each LF ends a
// line and belongs to it, so a CR LF pair yields an empty second line; a zero
// byte hides the rest of its line; a last line without a line end counts.
std::vector<IncludeDirective> parseIncludeDirectives(std::string_view bytes);

#endif  // CLUDEMAP_SCAN_INCLUDE_DIRECTIVE_H_
