#include "preprocess/directive_lexer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>

#include "preprocess/lexical.h"
#include "preprocess/token.h"
#include "preprocess/tokenize.h"
#include "util/line_count.h"

namespace {

using lexical::at;
constexpr std::size_t kNone = std::string_view::npos;

struct KindName {
  std::string_view name;
  DirectiveKind kind;
};

constexpr KindName kKindNames[] = {
    {"include", DirectiveKind::kInclude},   {"include_next", DirectiveKind::kIncludeNext},
    {"import", DirectiveKind::kImport},     {"define", DirectiveKind::kDefine},
    {"undef", DirectiveKind::kUndef},       {"if", DirectiveKind::kIf},
    {"ifdef", DirectiveKind::kIfdef},       {"ifndef", DirectiveKind::kIfndef},
    {"elif", DirectiveKind::kElif},         {"elifdef", DirectiveKind::kElifdef},
    {"elifndef", DirectiveKind::kElifndef}, {"else", DirectiveKind::kElse},
    {"endif", DirectiveKind::kEndif},       {"pragma", DirectiveKind::kPragma},
    {"error", DirectiveKind::kError},       {"warning", DirectiveKind::kWarning},
    {"line", DirectiveKind::kLine},         {"ident", DirectiveKind::kIdent},
    {"sccs", DirectiveKind::kIdent},        {"assert", DirectiveKind::kAssert},
    {"unassert", DirectiveKind::kUnassert},
};

DirectiveKind kindOfName(std::string_view name) {
  for (const KindName& k : kKindNames) {
    if (k.name == name) return k.kind;
  }
  return DirectiveKind::kUnknown;
}

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// The character a trigraph "??x" stands for, or 0 when "??x" is none.
char trigraphMeaning(char x) {
  constexpr std::string_view kLast = "=/'()!<>-";
  constexpr std::string_view kMeaning = "#\\^[]|{}~";
  const std::size_t at = kLast.find(x);
  return at == kNone ? '\0' : kMeaning[at];
}

// The bytes ordinary text is scanned for: what may open a comment or a
// literal.
constexpr std::array<bool, 256> makeSpecials() {
  std::array<bool, 256> specials{};
  specials['"'] = specials['\''] = specials['/'] = true;
  return specials;
}
constexpr std::array<bool, 256> kSpecials = makeSpecials();

#if defined(__SSE2__)
// The first special byte at or after `i`, or the text's end: sixteen bytes
// at a time past the ones that hold none.
std::size_t findSpecial(std::string_view text, std::size_t i) {
  const std::size_t size = text.size();
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i apostrophe = _mm_set1_epi8('\'');
  const __m128i slash = _mm_set1_epi8('/');
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i found =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, apostrophe)),
                     _mm_cmpeq_epi8(bytes, slash));
    const int mask = _mm_movemask_epi8(found);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
  while (i < size && !kSpecials[static_cast<unsigned char>(text[i])]) ++i;
  return i;
}
#else
// Whether some byte of `word` is `byte`.
bool hasByte(std::uint64_t word, unsigned char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  const std::uint64_t x = word ^ (kOnes * byte);
  return ((x - kOnes) & ~x & kHighs) != 0;
}

// The first special byte at or after `i`, or the text's end: eight bytes
// at a time past the ones that hold none.
std::size_t findSpecial(std::string_view text, std::size_t i) {
  const std::size_t size = text.size();
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, sizeof word);
    if (hasByte(word, '"') || hasByte(word, '\'') || hasByte(word, '/')) break;
  }
  while (i < size && !kSpecials[static_cast<unsigned char>(text[i])]) ++i;
  return i;
}
#endif

std::size_t skipBlanks(std::string_view text, std::size_t i) {
  while (i < text.size() && lexical::isBlank(text[i])) ++i;
  return i;
}

// A character the token before a quote may hold: where a run of them
// starts, a token starts.
bool isRunChar(char c) {
  return lexical::is(c, lexical::kIdentifierNumber | lexical::kExtended) || c == '$' || c == '.' ||
         c == '+' || c == '-' || c == '\\';
}

// What a quote in clean text opens.
enum class Quote : std::uint8_t {
  kLiteral,    // a character or string literal
  kRaw,        // a raw string
  kSeparator,  // no literal: a digit separator inside a pp-number
};

// Which a quote at `quote` opens, from the token before it, which starts at
// or after `barrier`. For a separator, `numberEnd` is where its pp-number
// ends.
Quote classifyQuote(std::string_view text, std::size_t quote, std::size_t barrier,
                    const Dialect& dialect, std::size_t& numberEnd) {
  std::size_t start = quote;
  while (start > barrier && isRunChar(text[start - 1])) --start;
  for (std::size_t t = start; t < quote;) {
    const char c = text[t];
    if (lexical::isDigit(c) || (c == '.' && lexical::isDigit(text[t + 1]))) {
      const std::size_t end = lexical::numberEnd(text, t + 1, dialect);
      if (end > quote) {
        numberEnd = end;
        return Quote::kSeparator;
      }
      t = end;
    } else if (lexical::isIdentifierStart(c) ||
               (lexical::mayExtend(c) && lexical::extendedLength(text, t, dialect) != 0)) {
      const std::size_t end = lexical::identifierEnd(text, t, dialect);
      bool raw = false;
      if (end == quote && lexical::prefixedQuote(text, t, dialect, raw) == quote && raw) {
        return Quote::kRaw;
      }
      t = end;
    } else {
      ++t;
    }
  }
  return Quote::kLiteral;
}

}  // namespace

// Reads one file's bytes into its LexedFile.
class FileLexer {
 public:
  FileLexer(std::string_view bytes, const Dialect& dialect, LexedFile& file)
      : original_(bytes), src_(bytes), dialect_(dialect), file_(file) {
    if (dialect.trigraphs) replaceTrigraphs();
    hasCr_ = std::memchr(src_.data(), '\r', src_.size()) != nullptr;
  }

  void run() {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t pos = src_.substr(0, 3) == kByteOrderMark ? 3 : 0;
    while (pos < src_.size()) {
      lineStart_ = pos;
      linesRead_ = 0;
      const std::size_t next = logicalLine(pos);
      // A logical line read whole is one physical line, ended or last.
      const bool oneLine = linesRead_ == 1 && pieces_.empty();
      linesBefore_ +=
          oneLine ? (next > lastLimit_ ? 1 : 0) : countLineEnds(src_.substr(pos, next - pos));
      pos = next;
    }
    file_.bytes_ = original_.size();
    const bool openLast = !src_.empty() && !isLineEnd(src_.back());
    file_.lines_ = linesBefore_ + (openLast ? 1 : 0);
    findGuard();
    file_.text_.shrink_to_fit();
    file_.directives_.shrink_to_fit();
  }

 private:
  // One logical line: its physical lines with the splices between them
  // removed.
  struct Line {
    std::string_view text;  // without its line end
    std::size_t raw = 0;    // where text[0] stands in the file
    std::size_t limit = 0;  // where its line end (or the file's end) stands
    std::size_t next = 0;   // where the next line starts
    bool spliced = false;   // text is in scratch_, its pieces in pieces_
  };
  struct Piece {
    std::size_t offset;  // in the line's text
    std::size_t raw;     // in the file
  };

  // Replaces each trigraph, as the strict modes do before anything else,
  // and notes where it stood.
  void replaceTrigraphs() {
    std::size_t at = original_.find("??");
    while (at != kNone && trigraphMeaning(lexical::at(original_, at + 2)) == '\0') {
      at = original_.find("??", at + 1);
    }
    if (at == kNone) return;
    replaced_ = original_.substr(0, at);
    while (at < original_.size()) {
      const char meaning = original_[at] == '?' && lexical::at(original_, at + 1) == '?'
                               ? trigraphMeaning(lexical::at(original_, at + 2))
                               : '\0';
      if (meaning != '\0') {
        trigraphs_.push_back({replaced_.size(), at});
        replaced_ += meaning;
        at += 3;
      } else {
        replaced_ += original_[at++];
      }
    }
    src_ = replaced_;
  }

  // Where the read text's position `position` stands in the file as read,
  // and back: each trigraph before it is two bytes more there.
  std::size_t originalOf(std::size_t position) const {
    const auto before = std::partition_point(trigraphs_.begin(), trigraphs_.end(),
                                             [&](const Trigraph& t) { return t.at < position; });
    return position + 2 * static_cast<std::size_t>(before - trigraphs_.begin());
  }
  std::size_t replacedOf(std::size_t original) const {
    const auto before =
        std::partition_point(trigraphs_.begin(), trigraphs_.end(),
                             [&](const Trigraph& t) { return t.original < original; });
    return original - 2 * static_cast<std::size_t>(before - trigraphs_.begin());
  }

  // The end of the raw string whose quote is at `quote`, within `limit`:
  // the compiler puts trigraphs back in a raw string, so its end is found
  // in the bytes as read.
  std::size_t rawStringEnd(std::size_t quote, std::size_t limit, bool& wellFormed) const {
    const std::size_t end =
        lexical::rawEnd(original_.substr(0, originalOf(limit)), originalOf(quote), wellFormed);
    return end == kNone ? kNone : replacedOf(end);
  }

  // Where the next LF or CR at or after `from` stands, or the file's end.
  std::size_t findLineEnd(std::size_t from) const {
    const char* begin = src_.data() + from;
    const std::size_t size = src_.size() - from;
    const void* lf = std::memchr(begin, '\n', size);
    const std::size_t toLf = lf != nullptr ? static_cast<const char*>(lf) - begin : size;
    const void* cr = hasCr_ ? std::memchr(begin, '\r', toLf) : nullptr;
    return from + (cr != nullptr ? static_cast<const char*>(cr) - begin : toLf);
  }

  // After the line end at `end`.
  std::size_t afterLineEnd(std::size_t end) const {
    if (end >= src_.size()) return src_.size();
    return end + (src_[end] == '\r' && at(src_, end + 1) == '\n' ? 2 : 1);
  }

  // Where the backslash of a splice ending at the line end `end` stands,
  // for a line that starts at `from`; kNone when the line end is a real
  // one. Blanks may stand between the backslash and the line end.
  std::size_t spliceAt(std::size_t from, std::size_t end) const {
    std::size_t i = end;
    while (i > from && lexical::isBlank(src_[i - 1])) --i;
    return i > from && src_[i - 1] == '\\' ? i - 1 : kNone;
  }

  // The logical line that starts at `from`.
  Line lineFrom(std::size_t from) {
    ++linesRead_;
    pieces_.clear();
    Line line;
    line.raw = from;
    std::size_t end = findLineEnd(from);
    std::size_t splice = spliceAt(from, end);
    if (splice == kNone) {
      line.text = src_.substr(from, end - from);
      line.limit = lastLimit_ = end;
      line.next = afterLineEnd(end);
      return line;
    }
    line.spliced = true;
    scratch_.clear();
    for (;;) {
      pieces_.push_back({scratch_.size(), from});
      scratch_.append(src_.substr(from, splice - from));
      from = afterLineEnd(end);
      if (from >= src_.size()) break;
      end = findLineEnd(from);
      splice = spliceAt(from, end);
      if (splice == kNone) {
        pieces_.push_back({scratch_.size(), from});
        scratch_.append(src_.substr(from, end - from));
        break;
      }
    }
    line.text = scratch_;
    line.limit = end;
    line.next = afterLineEnd(end);
    return line;
  }

  // Where the line's text[i] stands in the file; its end maps to the line
  // end.
  std::size_t rawOf(const Line& line, std::size_t i) const {
    if (i >= line.text.size()) return line.limit;
    if (!line.spliced) return line.raw + i;
    const Piece& piece =
        *(std::upper_bound(pieces_.begin(), pieces_.end(), i,
                           [](std::size_t n, const Piece& p) { return n < p.offset; }) -
          1);
    return piece.raw + (i - piece.offset);
  }

  // The index in the line's text of the file position `raw`, a position
  // that the text holds or ends at.
  std::size_t indexOf(const Line& line, std::size_t raw) const {
    if (!line.spliced) return raw - line.raw;
    const Piece& piece =
        *(std::upper_bound(pieces_.begin(), pieces_.end(), raw,
                           [](std::size_t n, const Piece& p) { return n < p.raw; }) -
          1);
    return piece.offset + (raw - piece.raw);
  }

  // The position of the character before `position` once splices are
  // joined, or kNone when it would stand before `barrier`.
  std::size_t previousChar(std::size_t position, std::size_t barrier) const {
    while (position > barrier) {
      const std::size_t q = position - 1;
      if (!isLineEnd(src_[q])) return q;
      const std::size_t end = src_[q] == '\n' && q > barrier && src_[q - 1] == '\r' ? q - 1 : q;
      const std::size_t splice = spliceAt(barrier, end);
      if (splice == kNone) return q;
      position = splice;
    }
    return kNone;
  }

  // Just past the "*/" that ends the comment whose text starts at `body`;
  // kNone when the file ends first.
  std::size_t commentEnd(std::size_t body) const {
    for (std::size_t slash = src_.find('/', body); slash != kNone;
         slash = src_.find('/', slash + 1)) {
      const std::size_t star = previousChar(slash, body);
      if (star != kNone && src_[star] == '*') return slash + 1;
    }
    return kNone;
  }

  // Reads the logical line at `from`, a directive or ordinary text, and
  // returns where the next one starts.
  std::size_t logicalLine(std::size_t from) {
    Line line = lineFrom(from);
    std::size_t i = 0;
    for (;;) {
      i = skipBlanks(line.text, i);
      const char c = at(line.text, i);
      const char c1 = at(line.text, i + 1);
      if (c == '/' && c1 == '*') {
        const std::size_t close = line.text.find("*/", i + 2);
        if (close != kNone) {
          i = close + 2;
          continue;
        }
        // A comment over several lines keeps the start of this one.
        const std::size_t end = commentEnd(rawOf(line, i + 2));
        if (end == kNone) return src_.size();
        line = lineFrom(end);
        i = 0;
        continue;
      }
      if (i == line.text.size() || (c == '/' && c1 == '/')) return line.next;
      // "##" and "%:%:" are one token, which starts no directive.
      if (c == '#' && c1 != '#') return directive(line, i, i + 1);
      const bool digraph = c == '%' && c1 == ':' && dialect_.digraphs;
      if (digraph && line.text.substr(i + 2, 2) != "%:") return directive(line, i, i + 2);
      directivesBeforeLastText_ = file_.directives_.size();
      if (!sawText_) directivesBeforeText_ = directivesBeforeLastText_;
      sawText_ = true;
      return skipText(line, i);
    }
  }

  // Skips ordinary text from `i` on, a token's start, through the end of its
  // logical line.
  std::size_t skipText(Line line, std::size_t i) {
    std::size_t barrier = i;
    for (;;) {
      i = findSpecial(line.text, i);
      if (i == line.text.size()) return line.next;
      if (line.text[i] == '/') {
        const char c1 = at(line.text, i + 1);
        if (c1 == '/') return line.next;
        if (c1 != '*') {
          ++i;
          continue;
        }
        const std::size_t close = line.text.find("*/", i + 2);
        if (close != kNone) {
          i = barrier = close + 2;
          continue;
        }
        const std::size_t end = commentEnd(rawOf(line, i + 2));
        if (end == kNone) return src_.size();
        line = lineFrom(end);
        i = barrier = 0;
        continue;
      }
      std::size_t end = 0;
      switch (classifyQuote(line.text, i, barrier, dialect_, end)) {
        case Quote::kSeparator:
          i = barrier = end;
          break;
        case Quote::kLiteral:
          end = lexical::quotedEnd(line.text, i, true);
          if (end == kNone) return line.next;
          i = barrier = suffixEnd(line.text, end);
          break;
        case Quote::kRaw: {
          bool wellFormed = true;
          end = rawStringEnd(rawOf(line, i), src_.size(), wellFormed);
          if (end == kNone) return src_.size();
          if (end <= line.limit) {
            i = indexOf(line, end);
          } else {
            line = lineFrom(end);
            i = 0;
          }
          // A raw string with a bad delimiter takes no suffix.
          i = barrier = wellFormed ? suffixEnd(line.text, i) : i;
          break;
        }
      }
    }
  }

  // After a literal that ends at `end`: the end of its suffix. A name right
  // after a literal is its suffix from C++11 on, unless it is a macro's,
  // which skipping cannot know: taken as a suffix, "a"R"(b)" is two plain
  // strings, as it is to GCC while R is no macro (clang splits off a suffix
  // without a leading '_', and reads a raw string there).
  std::size_t suffixEnd(std::string_view text, std::size_t end) const {
    return lexical::suffixEnd(text, end, dialect_, true);
  }

  // Reads the directive whose '#' is at `hash` and whose name may start at
  // `i`, and returns where the line after it starts.
  std::size_t directive(Line line, std::size_t hash, std::size_t i);

  void findGuard();

  struct Trigraph {
    std::size_t at;        // in the text read
    std::size_t original;  // in the file as read
  };

  std::string_view original_;  // the file as read
  std::string replaced_;       // with its trigraphs replaced, if it has any
  std::vector<Trigraph> trigraphs_;
  std::string_view src_;  // the text read: the file, or replaced_
  const Dialect& dialect_;
  LexedFile& file_;
  bool hasCr_ = false;  // most files have none, and their lines end at the next LF
  std::string scratch_;
  std::vector<Piece> pieces_;
  // The logical line being read: where it starts, the line ends before it,
  // the logical lines read for it (more than one after a comment or raw
  // string over lines), the end of the last one.
  std::size_t lineStart_ = 0;
  std::uint64_t linesBefore_ = 0;
  int linesRead_ = 0;
  std::size_t lastLimit_ = 0;
  // Ordinary text: whether any was seen, and how many directives came
  // before its first and its last line.
  bool sawText_ = false;
  std::size_t directivesBeforeText_ = 0;
  std::size_t directivesBeforeLastText_ = 0;
};

namespace {

// What the walk through a directive's text expects next.
enum class Expect : std::uint8_t {
  kName,               // the directive's name
  kAny,                // any token
  kAngled,             // an #include's operand: header names may stand from here
  kAngledRest,         // the rest of an #include line whose operand starts with no name
  kHasInclude,         // after __has_include: '(' or a header name
  kHasIncludeOperand,  // after "__has_include (": a header name
};

bool isHasInclude(std::string_view name) {
  return name == "__has_include" || name == "__has_include_next";
}

bool includesFile(DirectiveKind kind) {
  return kind == DirectiveKind::kInclude || kind == DirectiveKind::kIncludeNext ||
         kind == DirectiveKind::kImport;
}

}  // namespace

std::size_t FileLexer::directive(Line line, std::size_t hash, std::size_t i) {
  std::string& out = file_.text_;
  const std::size_t rawHash = rawOf(line, hash);
  Directive d;
  d.kind = DirectiveKind::kNull;
  d.line = static_cast<std::uint32_t>(
      linesBefore_ + countLineEnds(src_.substr(lineStart_, rawHash - lineStart_)) + 1);
  const std::size_t begin = out.size();

  // The line's text from `copied` on is still to be copied to `out`: most
  // of a directive is copied as it stands, in a few pieces, blanks at its
  // start left out.
  std::size_t copied = i;
  const auto copyTo = [&](std::size_t to) {
    if (out.size() == begin) copied = std::min(skipBlanks(line.text, copied), to);
    out.append(line.text.substr(copied, to - copied));
    copied = to;
  };
  // Tokens are told apart up to the name and the operand of #include, and
  // in an #if or #elif line that may hold __has_include; elsewhere only
  // comments and literals are.
  const auto walksTokens = [&] {
    return (d.kind == DirectiveKind::kIf || d.kind == DirectiveKind::kElif) &&
           line.text.find("__has_include") != kNone;
  };
  bool tokenWalk = true;
  Expect expect = Expect::kName;
  std::size_t barrier = i;
  std::size_t next = line.next;
  for (;;) {
    i = skipBlanks(line.text, i);
    if (i == line.text.size()) break;
    const char c = line.text[i];
    const char c1 = at(line.text, i + 1);
    if (c == '/' && c1 == '/') break;
    if (c == '/' && c1 == '*') {
      copyTo(i);
      if (out.size() != begin) out += ' ';
      const std::size_t close = line.text.find("*/", i + 2);
      if (close != kNone) {
        i = barrier = copied = close + 2;
        continue;
      }
      // The comment carries the directive on to the line it ends on.
      const std::size_t end = commentEnd(rawOf(line, i + 2));
      if (end == kNone) {
        next = src_.size();
        break;
      }
      line = lineFrom(end);
      next = line.next;
      i = barrier = copied = 0;
      tokenWalk = tokenWalk && (expect != Expect::kAny || walksTokens());
      continue;
    }
    if (!tokenWalk) {
      const std::size_t special = findSpecial(line.text, i);
      if (special != i) {
        i = special;
        continue;
      }
    }

    const bool name =
        lexical::isIdentifierStart(c) ||
        (lexical::mayExtend(c) && lexical::extendedLength(line.text, i, dialect_) != 0);
    const bool number = lexical::isDigit(c) || (c == '.' && lexical::isDigit(c1));
    if (expect == Expect::kName && !name) {
      // A line marker, or no directive name: the text keeps this token.
      d.kind = number ? DirectiveKind::kLineMarker : DirectiveKind::kUnknown;
      out.resize(begin);
      copied = i;
      expect = Expect::kAny;
    }

    // Where a header name may stand, the compiler reads one written <...>
    // as it stands through its '>' on the line, and '\\' escapes nothing in
    // a literal.
    bool angled = expect == Expect::kAngledRest || expect == Expect::kHasInclude ||
                  expect == Expect::kHasIncludeOperand;
    if (expect == Expect::kAngled) {
      // An #include's operand. A name there is a macro's, whose expansion
      // ends this; after anything else it lasts through the line (until a
      // macro is expanded, which lexing cannot know).
      expect = name ? Expect::kAny : Expect::kAngledRest;
      angled = !name;
      tokenWalk = angled;
    }
    if (expect == Expect::kHasInclude || expect == Expect::kHasIncludeOperand) {
      const bool paren = c == '(' && expect == Expect::kHasInclude;
      expect = paren ? Expect::kHasIncludeOperand : Expect::kAny;
      tokenWalk = expect != Expect::kAny || walksTokens();
    }
    if (angled && c == '<') {
      const std::size_t close = line.text.find('>', i + 1);
      if (close != kNone) {
        i = barrier = close + 1;
        continue;
      }
    }

    if (c == '"' || c == '\'') {
      std::size_t end = 0;
      const Quote quote = classifyQuote(line.text, i, barrier, dialect_, end);
      if (quote == Quote::kLiteral) end = lexical::quotedEnd(line.text, i, !angled);
      if (quote == Quote::kRaw) {
        // It ends with its directive's line, and keeps the splices inside
        // it as written, as the compiler keeps them.
        bool wellFormed = true;
        const std::size_t rawQuote = rawOf(line, i);
        const std::size_t rawEnd = rawStringEnd(rawQuote, line.limit, wellFormed);
        end = kNone;
        if (rawEnd != kNone) {
          copyTo(i);
          out.append(
              original_.substr(originalOf(rawQuote), originalOf(rawEnd) - originalOf(rawQuote)));
          copied = indexOf(line, rawEnd);
          i = barrier = wellFormed ? suffixEnd(line.text, copied) : copied;
          continue;
        }
      }
      // Unterminated, it is one token through the end of the line.
      if (end == kNone) {
        i = line.text.size();
        break;
      }
      i = barrier = quote == Quote::kLiteral ? suffixEnd(line.text, end) : end;
      continue;
    }

    // Any other token: a name, a number or a punctuator, read whole so that
    // a quote after it is told right.
    std::size_t end = i + 1;
    if (name) {
      end = lexical::identifierEnd(line.text, i, dialect_);
    } else if (number) {
      end = lexical::numberEnd(line.text, i + 1, dialect_);
    }
    if (expect == Expect::kName) {
      // The text after a known name leaves the name out; an unknown one's
      // keeps it.
      d.kind = kindOfName(line.text.substr(i, end - i));
      out.resize(begin);
      copied = d.kind == DirectiveKind::kUnknown ? i : end;
      expect = includesFile(d.kind) ? Expect::kAngled : Expect::kAny;
      tokenWalk = expect != Expect::kAny || walksTokens();
    } else if (name && (d.kind == DirectiveKind::kIf || d.kind == DirectiveKind::kElif) &&
               isHasInclude(line.text.substr(i, end - i))) {
      expect = Expect::kHasInclude;
    }
    i = end;
  }
  copyTo(i);

  // White space at the end dropped too.
  std::size_t last = out.size();
  while (last > begin && lexical::isBlank(out[last - 1])) --last;
  out.resize(last);
  d.offset = static_cast<std::uint32_t>(begin);
  d.size = static_cast<std::uint32_t>(last - begin);
  file_.directives_.push_back(d);
  return next;
}

namespace {

bool opensGroup(DirectiveKind kind) {
  return kind == DirectiveKind::kIf || kind == DirectiveKind::kIfdef ||
         kind == DirectiveKind::kIfndef;
}

bool continuesGroup(DirectiveKind kind) {
  return kind == DirectiveKind::kElif || kind == DirectiveKind::kElifdef ||
         kind == DirectiveKind::kElifndef || kind == DirectiveKind::kElse;
}

// A name that may be a macro's: in C++ the named operators may not.
bool isMacroName(const Token& token, const Dialect& dialect) {
  constexpr std::string_view kOperators[] = {"and",    "and_eq", "bitand", "bitor", "compl", "not",
                                             "not_eq", "or",     "or_eq",  "xor",   "xor_eq"};
  if (token.kind != TokenKind::kIdentifier || token.text == "defined") return false;
  if (!dialect.cplusplus) return true;
  for (std::string_view op : kOperators) {
    if (token.text == op) return false;
  }
  return true;
}

// The macro that "#ifndef X" (extra tokens after X aside, as the compiler
// allows) or "#if !defined X" tests, or nullptr.
const Token* guardMacro(DirectiveKind kind, const Tokens& tokens, const Dialect& dialect) {
  if (kind == DirectiveKind::kIfndef) {
    return !tokens.empty() && isMacroName(tokens[0], dialect) ? tokens.data() : nullptr;
  }
  if (kind != DirectiveKind::kIf || tokens.size() < 3) return nullptr;
  const bool negation =
      tokens[0].isPunctuator("!") || (dialect.cplusplus && tokens[0].isIdentifier("not"));
  if (!negation || !tokens[1].isIdentifier("defined")) return nullptr;
  if (tokens.size() == 3) return isMacroName(tokens[2], dialect) ? &tokens[2] : nullptr;
  const bool parenthesised =
      tokens.size() == 5 && tokens[2].isPunctuator("(") && tokens[4].isPunctuator(")");
  return parenthesised && isMacroName(tokens[3], dialect) ? &tokens[3] : nullptr;
}

}  // namespace

void FileLexer::findGuard() {
  const std::vector<Directive>& all = file_.directives_;
  // Null directives outside the group change nothing (to GCC; older clang
  // counts them as content).
  std::size_t first = 0;
  while (first < all.size() && all[first].kind == DirectiveKind::kNull) ++first;
  std::size_t last = all.size();
  while (last > first && all[last - 1].kind == DirectiveKind::kNull) --last;
  if (first == last || all[last - 1].kind != DirectiveKind::kEndif) return;
  if (sawText_ && (directivesBeforeText_ <= first || directivesBeforeLastText_ >= last)) return;

  std::size_t depth = 0;
  for (std::size_t k = first; k < last; ++k) {
    const DirectiveKind kind = all[k].kind;
    if (opensGroup(kind)) ++depth;
    if (continuesGroup(kind) && depth == 1) return;
    if (kind == DirectiveKind::kEndif && (depth == 0 || (--depth == 0 && k + 1 != last))) return;
  }
  if (depth != 0) return;

  const std::string_view text = file_.text(all[first]);
  const Tokens tokens = tokenize(text, false, dialect_);
  const Token* macro = guardMacro(all[first].kind, tokens, dialect_);
  if (macro == nullptr) return;
  file_.guardOffset_ = static_cast<std::uint32_t>(macro->text.data() - file_.text_.data());
  file_.guardSize_ = static_cast<std::uint32_t>(macro->text.size());
}

LexedFile lexFile(std::string_view bytes, const Dialect& dialect) {
  LexedFile file;
  FileLexer(bytes, dialect, file).run();
  return file;
}

std::string_view directiveName(DirectiveKind kind) {
  switch (kind) {
    case DirectiveKind::kNull:
      return "";
    case DirectiveKind::kLineMarker:
      return "# number";
    case DirectiveKind::kUnknown:
      return "?";
    default:
      break;
  }
  for (const KindName& k : kKindNames) {
    if (k.kind == kind) return k.name;
  }
  return "?";
}
