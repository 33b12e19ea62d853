#include "scan/label.h"

#include <ostream>

#include "util/string_map.h"

namespace {

using Texts = StringMap<std::size_t>;

// Allocated once and never freed: labels held anywhere, even in objects
// destroyed at exit, stay valid.
Texts& texts() {
  static Texts* const all = new Texts();
  return *all;
}

}  // namespace

const Label::Entry* Label::entryFor(std::string_view text) {
  Texts& all = texts();
  const auto [entry, added] = all.tryEmplace(text);
  if (added) entry->second = all.size() - 1;
  return entry;
}

Label::Label() {
  // Nodes are made empty and labelled later, so the empty text is looked up
  // once only.
  static const Entry* const empty = entryFor("");
  entry_ = empty;
}

Label::Label(std::string_view text) : entry_(entryFor(text)) {}

std::size_t Label::count() { return texts().size(); }

bool operator==(const Label& label, std::string_view text) {
  return std::string_view(label) == text;
}

bool operator!=(const Label& label, std::string_view text) { return !(label == text); }

std::string operator+(const Label& label, std::string_view text) {
  std::string joined = label.str();
  joined += text;
  return joined;
}

std::ostream& operator<<(std::ostream& out, const Label& label) { return out << label.str(); }
