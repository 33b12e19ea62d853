// Plain-text output for a person: paths shortened and made printable, and
// tables with aligned columns.
#ifndef CLUDEMAP_METRICS_TEXT_TABLE_H_
#define CLUDEMAP_METRICS_TEXT_TABLE_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// `path` relative to the absolute `currentDirectory` where that is shorter,
// made printable as by printableText. Relative paths, and absolute ones on
// another drive, stay as they are.
std::string displayPath(std::string_view path, std::string_view currentDirectory);

// `text` with each control byte written as \xNN, so that no name can break a
// line or move the cursor.
std::string printableText(std::string_view text);

// Rows of cells written with aligned columns: number columns right-aligned,
// the others left-aligned, the last column never padded. Widths count UTF-8
// characters.
class TextTable {
 public:
  // `numeric[i]` tells whether column i is right-aligned.
  explicit TextTable(std::vector<bool> numeric) : numeric_(std::move(numeric)) {}
  void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // Writes each row indented by `indent` spaces, columns two spaces apart.
  void write(std::ostream& out, std::size_t indent) const;

 private:
  std::vector<bool> numeric_;
  std::vector<std::vector<std::string>> rows_;
};

#endif  // CLUDEMAP_METRICS_TEXT_TABLE_H_
