#include "scan/label.h"

#include <ostream>

const std::string& Label::emptyText() {
  // Constant, shared by every run.
  static const std::string empty;
  return empty;
}

LabelTable::LabelTable() { texts_.tryEmplace(""); }

Label LabelTable::operator()(std::string_view text) {
  if (text.empty()) return Label();
  const auto [entry, added] = texts_.tryEmplace(text);
  if (added) entry->second = texts_.size() - 1;
  return Label(entry);
}

bool operator==(const Label& label, std::string_view text) {
  return std::string_view(label) == text;
}

bool operator!=(const Label& label, std::string_view text) { return !(label == text); }

std::ostream& operator<<(std::ostream& out, const Label& label) { return out << label.str(); }
