#include "scan/search_list.h"

#include <algorithm>

#include "scan/path_spelling.h"

void SearchList::add(std::string_view directory, Kind kind) {
  if (directory.empty()) return;
  entries_.push_back(Entry{directoryPrefix(directory), kind});
  if (kind == Kind::kQuotedOnly) hasQuotedOnly_ = true;
}

bool SearchList::operator==(const SearchList& other) const {
  return entries_.size() == other.entries_.size() &&
         std::equal(entries_.begin(), entries_.end(), other.entries_.begin(),
                    [](const Entry& a, const Entry& b) {
                      return a.kind == b.kind && a.prefix == b.prefix;
                    });
}
