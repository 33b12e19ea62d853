#include "scan/header_content.h"

#include <optional>

#include "scan/header_file.h"

namespace {

void keepDirective(HeaderContent& content, const IncludeDirective& directive) {
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

}  // namespace

HeaderContent readHeaderContent(const std::string& path) {
  // One buffer per thread, kept between files, so that reads rarely
  // allocate.
  thread_local std::string buffer;
  HeaderContent content;
  content.path = path;
  const std::optional<std::string_view> bytes = readHeaderFile(path, buffer);
  if (!bytes) return content;
  content.readable = true;
  forEachIncludeDirective(
      *bytes, [&](const IncludeDirective& directive) { keepDirective(content, directive); });
  return content;
}
