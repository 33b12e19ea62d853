#include "metrics/text_table.h"

#include <algorithm>
#include <ostream>

#include "util/hex.h"
#include "util/path_separator.h"

namespace {

// Absolute: a leading separator, or a drive letter and a colon before one.
bool isAbsolute(std::string_view path) {
#ifdef _WIN32
  if (path.size() > 2 && path[1] == ':' && isSystemSeparator(path[2])) return true;
#endif
  return !path.empty() && isSystemSeparator(path[0]);
}

// The non-empty parts between separators.
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= path.size(); ++at) {
    if (at < path.size() && !isSystemSeparator(path[at])) continue;
    if (at > start) parts.push_back(path.substr(start, at - start));
    start = at + 1;
  }
  return parts;
}

std::string relativePath(std::string_view path, std::string_view base) {
  const std::vector<std::string_view> to = components(path);
  const std::vector<std::string_view> from = components(base);
  std::size_t common = 0;
  while (common < to.size() && common < from.size() && to[common] == from[common]) ++common;
  // Nothing in common but a drive letter's first character: another drive.
  if (common == 0 && (path[0] != base[0] || !isSystemSeparator(path[0]))) {
    return std::string(path);
  }
  std::string relative;
  for (std::size_t up = common; up < from.size(); ++up) (relative += "..") += kSystemSeparator;
  for (std::size_t down = common; down < to.size(); ++down) {
    (relative += to[down]) += kSystemSeparator;
  }
  if (relative.empty()) return ".";
  relative.pop_back();
  return relative;
}

std::size_t characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

std::string printableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      printable += c;
      continue;
    }
    printable += "\\x";
    printable += hexDigit(byte >> 4U);
    printable += hexDigit(byte);
  }
  return printable;
}

std::string displayPath(std::string_view path, std::string_view currentDirectory) {
  if (!isAbsolute(path) || !isAbsolute(currentDirectory)) return printableText(path);
  const std::string relative = relativePath(path, currentDirectory);
  return printableText(relative.size() < path.size() ? std::string_view(relative) : path);
}

void TextTable::write(std::ostream& out, std::size_t indent) const {
  std::vector<std::size_t> widths(numeric_.size(), 0);
  for (const std::vector<std::string>& row : rows_) {
    for (std::size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], characters(row[column]));
    }
  }
  std::string line;
  for (const std::vector<std::string>& row : rows_) {
    line.assign(indent, ' ');
    for (std::size_t column = 0; column < row.size(); ++column) {
      const std::size_t padding = widths[column] - characters(row[column]);
      const bool last = column + 1 == row.size();
      if (numeric_[column]) line.append(padding, ' ');
      line += row[column];
      if (!numeric_[column] && !last) line.append(padding, ' ');
      if (!last) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}
