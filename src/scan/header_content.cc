#include "scan/header_content.h"

#include <optional>
#include <utility>
#include <vector>

#include "scan/header_file.h"
#include "util/line_count.h"

namespace {

// What reading one header takes besides its result: the file's bytes, and
// its directives as views into them.
struct Scratch {
  ReadBuffer bytes;
  std::vector<DirectiveView> found;
};

// The largest read buffer kept for later reads.
constexpr std::size_t kKeptBufferBytes = 256 << 10;

// Scratch space kept from read to read, so that reads rarely allocate; one
// per thread, so that taking it needs no lock.
Scratch& threadScratch() {
  static thread_local Scratch scratch;
  return scratch;
}

// A buffer grown for one of the few large files goes back to the heap, where
// the scan's own allocations reuse it, rather than waiting for another large
// file: each thread's buffer would otherwise grow to the largest file that
// thread has met.
void releaseLargeBuffer(Scratch& scratch) {
  if (scratch.bytes.size() > kKeptBufferBytes) scratch.bytes = ReadBuffer();
}

// Angle-bracket and next directives keep their label beside their name; a
// quoted name is its own label, and a malformed line has none. A next
// directive written with quotes is labelled as if written with brackets.
bool labelKeptApart(const DirectiveView& directive) {
  return directive.kind == IncludeKind::kAngle || directive.kind == IncludeKind::kNext;
}

std::size_t keptLabelBytes(const DirectiveView& directive) {
  if (!labelKeptApart(directive)) return 0;
  return directive.label.empty() ? directive.text.size() + 2 : directive.label.size();
}

void appendLabel(std::string& texts, const DirectiveView& directive) {
  if (!directive.label.empty()) {
    texts += directive.label;
    return;
  }
  texts += '<';
  texts += directive.text;
  texts += '>';
}

// Counts lines up to each directive, then to the end.
void addFacts(HeaderContent& content, std::string_view bytes,
              const std::vector<DirectiveView>& found) {
  std::uint64_t ends = 0;
  std::size_t counted = 0;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const auto at = static_cast<std::size_t>(found[i].text.data() - bytes.data());
    ends += countLineEnds(bytes.substr(counted, at - counted));
    counted = at;
    content.directives[i].line = static_cast<std::uint32_t>(ends + 1);
  }
  content.lines = countLines(bytes);
}

}  // namespace

HeaderContent readHeaderContent(const std::string& path, bool facts) {
  Scratch& scratch = threadScratch();
  std::vector<DirectiveView>& found = scratch.found;
  HeaderContent content;
  const std::optional<std::string_view> bytes = readHeaderFile(path, scratch.bytes);
  if (!bytes) {
    releaseLargeBuffer(scratch);
    return content;
  }
  content.readable = true;
  content.bytes = bytes->size();
  found.clear();
  std::size_t textBytes = 0;
  forEachIncludeDirective(*bytes, [&](const DirectiveView& directive) {
    found.push_back(directive);
    textBytes += directive.text.size() + keptLabelBytes(directive);
  });
  // Filled at their final size, which spares the copies and the memory that
  // growing them piece by piece would cost.
  content.texts.reserve(textBytes);
  content.directives.reserve(found.size());
  for (const DirectiveView& directive : found) {
    HeaderDirective& kept = content.directives.emplace_back();
    kept.kind = directive.kind;
    kept.textStart = content.texts.size();
    kept.textSize = directive.text.size();
    content.texts += directive.text;
    kept.labelStart = kept.textStart;
    kept.labelSize = directive.kind == IncludeKind::kQuoted ? kept.textSize : 0;
    if (labelKeptApart(directive)) {
      kept.labelStart = content.texts.size();
      appendLabel(content.texts, directive);
      kept.labelSize = content.texts.size() - kept.labelStart;
    }
    if (directive.kind != IncludeKind::kMalformed) ++content.childDirectives;
  }
  if (facts) addFacts(content, *bytes, found);
  releaseLargeBuffer(scratch);
  return content;
}

HeaderContent readLexedContent(const std::string& path, const Dialect& dialect) {
  Scratch& scratch = threadScratch();
  HeaderContent content;
  const std::optional<std::string_view> bytes = readHeaderFile(path, scratch.bytes);
  if (bytes) {
    content.readable = true;
    content.lexed = lexFile(*bytes, dialect);
    for (const Directive& directive : content.lexed.directives()) {
      const DirectiveKind kind = directive.kind;
      if (kind == DirectiveKind::kInclude || kind == DirectiveKind::kIncludeNext ||
          kind == DirectiveKind::kImport) {
        ++content.childDirectives;
      }
    }
    content.bytes = bytes->size();
    content.lines = countLines(*bytes);
  }
  releaseLargeBuffer(scratch);
  return content;
}
