// Finding a file's directives as the compiler finds them, with its ordinary
// text skipped rather than tokenized.
#ifndef CLUDEMAP_PREPROCESS_DIRECTIVE_LEXER_H_
#define CLUDEMAP_PREPROCESS_DIRECTIVE_LEXER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "preprocess/dialect.h"

enum class DirectiveKind : std::uint8_t {
  kInclude,
  kIncludeNext,
  kImport,
  kDefine,
  kUndef,
  kIf,
  kIfdef,
  kIfndef,
  kElif,
  kElifdef,
  kElifndef,
  kElse,
  kEndif,
  kPragma,
  kError,
  kWarning,
  kLine,
  kLineMarker,  // "# 33 "file" 1": its text starts at the number
  kIdent,       // #ident and #sccs
  kAssert,
  kUnassert,
  kNull,     // a '#' alone on its line
  kUnknown,  // any other name, or a first token that is no name: its text starts there
};

// The name of a kind as written after '#' ("include_next"); "" for the
// null directive, "# number" for a line marker, "?" for an unknown one.
std::string_view directiveName(DirectiveKind kind);

struct Directive {
  DirectiveKind kind = DirectiveKind::kUnknown;
  std::uint32_t line = 0;    // the 1-based physical line of its '#'
  std::uint32_t offset = 0;  // where its text starts in the file's text block
  std::uint32_t size = 0;
};

// A file's directives, read once and kept for the run: the directives'
// logical texts in one block, and a few numbers.
class LexedFile {
 public:
  const std::vector<Directive>& directives() const { return directives_; }

  // A directive's logical text after its name (from its first token for a
  // line marker or an unknown name): splices joined, each comment replaced
  // by one space, white space at both ends dropped. Where a header name may
  // stand (on an #include, #include_next or #import line unless its
  // operand starts with a name, and after "__has_include (" in #if and
  // #elif when spelled so),
  // one written <...> keeps its text as written, "//" and all, and '\'
  // escapes nothing in a literal: tokenize such an operand with
  // `headerName`. A raw string keeps its splices as written.
  std::string_view text(const Directive& directive) const {
    return std::string_view(text_).substr(directive.offset, directive.size);
  }

  // The macro of the file's include guard, or "". A file is guarded as the
  // compiler's multiple-include optimisation sees it: all its tokens and
  // directives (null directives aside) lie in one group opened by "#ifndef
  // X" or "#if !defined X" (or "!defined(X)", with "not" for '!' in C++)
  // and closed by its #endif, which has no #else, #elif, #elifdef or
  // #elifndef of its own. Including the file again while X is defined then
  // adds nothing.
  std::string_view guard() const {
    return std::string_view(text_).substr(guardOffset_, guardSize_);
  }

  std::uint64_t lines() const { return lines_; }  // each LF, CR LF and lone CR ends one
  std::uint64_t bytes() const { return bytes_; }

 private:
  friend class FileLexer;

  std::string text_;
  std::vector<Directive> directives_;
  std::uint32_t guardOffset_ = 0;
  std::uint32_t guardSize_ = 0;
  std::uint64_t lines_ = 0;
  std::uint64_t bytes_ = 0;
};

// The directives of a whole file's `bytes`, as the compiler of `dialect`
// finds them. A directive is a logical line (backslash-newline splices
// joined, blanks allowed between the backslash and the line end) whose
// first token, after white space and comments, is '#' or "%:"; a comment
// that spans lines before it keeps the line's start. Comments, string and
// character literals and raw strings hide what looks like a directive; an
// unterminated quote ends at its line's end, a raw string runs on over
// lines, and in a directive both end with its line. A UTF-8 byte order mark
// at the start is skipped; trigraphs are replaced first where the dialect
// has them. The directives' texts total under 4 GiB.
LexedFile lexFile(std::string_view bytes, const Dialect& dialect = Dialect());

#endif  // CLUDEMAP_PREPROCESS_DIRECTIVE_LEXER_H_
