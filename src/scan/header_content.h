// What the scan knows of one header path: whether a file is there, and,
// once read, its directives. Each is worked out once per run.
#ifndef CLUDEMAP_SCAN_HEADER_CONTENT_H_
#define CLUDEMAP_SCAN_HEADER_CONTENT_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "preprocess/dialect.h"
#include "preprocess/directive_lexer.h"
#include "scan/include_directive.h"

struct HeaderContent;

// One header path as a search finds it.
struct HeaderFile {
  std::string path;  // as the scan built it
  // A readable regular file is there: the name leads here. Whether it
  // still reads is known only once it is read.
  bool found = false;
  // Numbers the paths one run looks at from 0, for the scan's own tables.
  std::size_t number = 0;
  // Where the search read what it found at once: the content.
  std::unique_ptr<const HeaderContent> content;
};

// One directive, its texts kept in the header's text block.
struct HeaderDirective {
  IncludeKind kind;
  // 1-based, counting LF, CR LF and lone CR once each; 0 where the header
  // was read without its facts.
  std::uint32_t line = 0;
  std::size_t textStart, textSize;    // DirectiveView::text
  std::size_t labelStart, labelSize;  // DirectiveView::label
};

// The directives of one header, in line order, with their texts in one
// block rather than many small strings; the file's bytes are not kept.
struct HeaderContent {
  bool readable = false;  // false: gone, not a regular file, or unreadable
  std::uint64_t bytes = 0;
  // Read with its facts: the lines (countLines); the path with links and
  // parent steps resolved is the reader's to fill in (CanonicalPaths).
  std::uint64_t lines = 0;
  std::string canonicalPath;
  std::string texts;
  std::vector<HeaderDirective> directives;
  std::size_t childDirectives = 0;  // quoted, angle-bracket and next ones
  // Read for the compiler's view: every directive, as the compiler finds
  // them, and none of the fields above but the facts.
  LexedFile lexed;

  std::string_view textOf(const HeaderDirective& directive) const {
    return std::string_view(texts).substr(directive.textStart, directive.textSize);
  }
  std::string_view labelOf(const HeaderDirective& directive) const {
    return std::string_view(texts).substr(directive.labelStart, directive.labelSize);
  }
};

// Reads the header at `path` and keeps its directives, and with `facts` its
// lines and its directives' lines, which cost a pass over its bytes. Safe
// to call from several threads at once.
HeaderContent readHeaderContent(const std::string& path, bool facts = false);

// Reads the header at `path` for the compiler's view: its directives as
// the compiler of `dialect` finds them, its bytes and lines. Safe to call
// from several threads at once.
HeaderContent readLexedContent(const std::string& path, const Dialect& dialect);

#endif  // CLUDEMAP_SCAN_HEADER_CONTENT_H_
