// The text a node of the include tree is known by.
#ifndef CLUDEMAP_SCAN_LABEL_H_
#define CLUDEMAP_SCAN_LABEL_H_

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

// An immutable byte string held by value. Equal texts share one copy, kept
// until the process ends, so a label is a single pointer: a tree has a node
// per directive occurrence, often hundreds of thousands of nodes over a few
// thousand texts, and a copy of the text per node would cost an allocation
// per node. Every distinct text also gets a number, counted from 0 in order
// of first use, for tables indexed by label.
class Label {
 public:
  // The empty text.
  Label();
  explicit Label(std::string_view text);
  Label& operator=(std::string_view text) { return *this = Label(text); }

  const std::string& str() const { return entry_->first; }
  operator const std::string&() const { return entry_->first; }
  operator std::string_view() const { return entry_->first; }
  bool empty() const { return entry_->first.empty(); }
  std::size_t number() const { return entry_->second; }

  // How many distinct texts have been labelled so far: every number is
  // below it.
  static std::size_t count();

 private:
  using Entry = std::pair<const std::string, std::size_t>;
  static const Entry* entryFor(std::string_view text);

  const Entry* entry_;
};

bool operator==(const Label& label, std::string_view text);
bool operator!=(const Label& label, std::string_view text);
std::string operator+(const Label& label, std::string_view text);
std::ostream& operator<<(std::ostream& out, const Label& label);

#endif  // CLUDEMAP_SCAN_LABEL_H_
