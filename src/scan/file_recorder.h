// How the scan records the file graph as it follows directives.
#ifndef CLUDEMAP_SCAN_FILE_RECORDER_H_
#define CLUDEMAP_SCAN_FILE_RECORDER_H_

#include <cstddef>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scan/file_graph.h"
#include "scan/header_content.h"

// Files are known by the canonical path of a found header and by the path
// tried for a missing one, in the order the tree first shows one of their
// paths. A file's directives are those followed where it was first
// expanded, each leading where it led there; where several search lists
// expanded it, those of the first expansion under each list, merged in line
// order. A file is a system header when some node found it through a
// system entry.
class FileRecorder {
 public:
  explicit FileRecorder(FileGraph& graph) : graph_(graph) {}

  // Notes that a node stands for `file`, read into `content` where found,
  // through a system entry or not; returns the file's index.
  std::size_t reach(const HeaderFile& file, const HeaderContent* content, bool system);
  // The index of `file`, which a node has reached.
  std::size_t indexOf(const HeaderFile& file) const { return indexByNumber_[file.number]; }
  // Whether the expansion of file `index` about to start is its first
  // under search list `list`, whose directives are recorded; marks the
  // file expanded.
  bool firstExpansion(std::size_t index, std::size_t list);
  void addDirective(std::size_t includer, FileDirective directive);
  // A name found nowhere, written in the expansion being recorded for its
  // includer: the names are listed by the order the expansions began.
  void addUnresolved(UnresolvedName name);
  // Adds file `index` to the roots unless it is one.
  void addRoot(std::size_t index);
  // Lists the names found nowhere and, where `severalLists` recorded files,
  // merges what each list recorded of one file: one directive leading to
  // each place a line led, and each name found nowhere once.
  void finish(bool severalLists);

 private:
  FileGraph& graph_;
  std::unordered_map<std::string, std::size_t> indexByKey_;
  std::vector<std::size_t> indexByNumber_;                  // by HeaderFile::number
  std::set<std::pair<std::size_t, std::size_t>> expanded_;  // (file, list)
  // The names found nowhere, by the expansion that recorded them, in the
  // order the expansions began.
  std::vector<std::vector<UnresolvedName>> unresolved_;
  std::vector<std::size_t> expansionOf_;  // by file index: the latest recorded
};

#endif  // CLUDEMAP_SCAN_FILE_RECORDER_H_
