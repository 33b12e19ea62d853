// Recognition of #include directives in the bytes of one header.
#ifndef CLUDEMAP_SCAN_INCLUDE_DIRECTIVE_H_
#define CLUDEMAP_SCAN_INCLUDE_DIRECTIVE_H_

#include <functional>
#include <string_view>

// What one line of a header contributes to the scan.
enum class IncludeKind {
  kQuoted,     // #include "name"
  kAngle,      // #include <name>
  kNext,       // #include_next <name> or "name"
  kMalformed,  // #include followed by anything else
};

// One directive, its texts views into the bytes it was read from.
struct DirectiveView {
  IncludeKind kind = IncludeKind::kMalformed;
  // Quoted, angle and next: the name between the delimiters, or to the end
  // of the line (line end included) when the closing delimiter is missing.
  // Malformed: the whole line content, line end included.
  std::string_view text;
  // The label a child gets: the quoted name, or the angle name from '<'
  // through '>' (to the end of the line when there is no '>'). Empty for a
  // next directive written with quotes, whose label is "<", the name and
  // ">", made by the caller.
  std::string_view label;
};

// Classifies one line. `line` is the line content: its bytes up to the first
// zero byte, ending in the CR or LF that ended it if any. The directive
// starts at the first '#' of the line that is followed by spaces or tabs, if
// any, and "include"; a line without one, or with a "//" before that '#',
// is no directive and gives false. "include" or "include_next" may be
// followed by spaces and tabs before the name, whose first character gives
// the kind: '"' or '<', anything else (the end of the line too) makes the
// line malformed.
bool parseIncludeLine(std::string_view line, DirectiveView& directive);

// Calls `visit` with each directive of a whole header, in line order. Each
// CR and each LF ends a line and belongs to it, so a CR LF pair yields an
// empty second line; a zero byte hides the rest of its line; a last line
// without a line end counts. The views point into `bytes`, so a header is
// parsed without allocating.
void forEachIncludeDirective(std::string_view bytes,
                             const std::function<void(const DirectiveView&)>& visit);

#endif  // CLUDEMAP_SCAN_INCLUDE_DIRECTIVE_H_
