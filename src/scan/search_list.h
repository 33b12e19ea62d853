// The include directories a run searches, each knowing what it serves.
#ifndef CLUDEMAP_SCAN_SEARCH_LIST_H_
#define CLUDEMAP_SCAN_SEARCH_LIST_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The directories in search order. A name is looked up in an entry by
// appending it to the entry's prefix, with no separator inserted.
//
// A quoted name not found beside its includer is searched for in every
// entry; an angle-bracket name in every entry but those for quoted names
// only. An entry's position (its index) is where a search may start again
// below a header found through it.
class SearchList {
 public:
  enum class Kind {
    kQuotedOnly,  // serves quoted names only
    kBoth,        // a project directory, serving both kinds of name
    kSystem,      // serves both; what is found through it is a system header
  };

  struct Entry {
    std::string prefix;  // the directory as given, ending in a separator
    Kind kind;
  };

  // Appends `directory` (see directoryPrefix); an empty one is skipped.
  void add(std::string_view directory, Kind kind);

  const std::vector<Entry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // Whether a search for a name of that kind looks at `entry`.
  bool serves(std::size_t entry, bool quotedName) const {
    return quotedName || entries_[entry].kind != Kind::kQuotedOnly;
  }
  // True when some entry serves quoted names only, so that quoted and
  // angle-bracket names are searched through different lists.
  bool hasQuotedOnly() const { return hasQuotedOnly_; }

  // The same directories of the same kinds in the same order.
  bool operator==(const SearchList& other) const;

 private:
  std::vector<Entry> entries_;
  bool hasQuotedOnly_ = false;
};

#endif  // CLUDEMAP_SCAN_SEARCH_LIST_H_
