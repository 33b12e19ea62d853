#include "scan/search_list.h"

#include "scan/path_spelling.h"

void SearchList::add(std::string_view directory, Kind kind) {
  if (directory.empty()) return;
  entries_.push_back(Entry{directoryPrefix(directory), kind});
  if (kind == Kind::kQuotedOnly) hasQuotedOnly_ = true;
}
