// The text a node of the include tree is known by.
#ifndef CLUDEMAP_SCAN_LABEL_H_
#define CLUDEMAP_SCAN_LABEL_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

#include "util/string_map.h"

class LabelTable;

// An immutable byte string held by value. Equal texts of one LabelTable
// share one copy, kept as long as the table, so a label is a single
// pointer: a tree has a node per directive occurrence, often hundreds of
// thousands of nodes over a few thousand texts, and a copy of the text per
// node would cost an allocation per node. Every distinct text also gets a
// number, counted from 0 in order of first use (the empty text is 0), for
// tables indexed by label.
class Label {
 public:
  // The empty text, number 0 in every table.
  Label() = default;

  const std::string& str() const { return entry_ != nullptr ? entry_->first : emptyText(); }
  operator const std::string&() const { return str(); }
  operator std::string_view() const { return str(); }
  bool empty() const { return str().empty(); }
  std::size_t number() const { return entry_ != nullptr ? entry_->second : 0; }

 private:
  friend class LabelTable;
  using Entry = std::pair<const std::string, std::size_t>;
  explicit Label(const Entry* entry) : entry_(entry) {}
  static const std::string& emptyText();

  const Entry* entry_ = nullptr;
};

// The texts of one run's labels. Labels made by a table stay valid as long
// as the table.
class LabelTable {
 public:
  LabelTable();
  Label operator()(std::string_view text);
  // How many distinct texts have been labelled so far: every number is
  // below it.
  std::size_t size() const { return texts_.size(); }

 private:
  StringMap<std::size_t> texts_;
};

bool operator==(const Label& label, std::string_view text);
bool operator!=(const Label& label, std::string_view text);
std::ostream& operator<<(std::ostream& out, const Label& label);

#endif  // CLUDEMAP_SCAN_LABEL_H_
