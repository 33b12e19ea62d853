#include "scan/header_content.h"

#include <optional>

#include "scan/header_file.h"

HeaderContent readHeaderContent(const std::string& path) {
  // Per thread and kept between files, so that reads rarely allocate: the
  // file's bytes, and its directives as views into them.
  thread_local ReadBuffer buffer;
  thread_local std::vector<DirectiveView> found;
  HeaderContent content;
  content.path = path;
  const std::optional<std::string_view> bytes = readHeaderFile(path, buffer);
  if (!bytes) return content;
  content.readable = true;
  found.clear();
  std::size_t textBytes = 0;
  forEachIncludeDirective(*bytes, [&](const DirectiveView& directive) {
    found.push_back(directive);
    textBytes += directive.text.size();
    if (directive.label != directive.text) textBytes += directive.label.size();
  });
  // Filled at their final size, which spares the copies and the memory that
  // growing them piece by piece would cost.
  content.texts.reserve(textBytes);
  content.directives.reserve(found.size());
  for (const DirectiveView& directive : found) {
    DirectiveText& kept = content.directives.emplace_back();
    kept.kind = directive.kind;
    kept.textStart = content.texts.size();
    kept.textSize = directive.text.size();
    content.texts += directive.text;
    // A quoted name is its own label.
    if (directive.label != directive.text) content.texts += directive.label;
    kept.labelStart = content.texts.size() - directive.label.size();
    kept.labelSize = directive.label.size();
    if (directive.kind != IncludeDirective::Kind::kMalformed) ++content.childDirectives;
  }
  return content;
}
