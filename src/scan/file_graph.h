// The files a scan met and the directives between them, as the scan
// records them while it follows each directive: the input of the metrics,
// the JSON and text reports, --why, --compare and the page. Every figure is
// about files, however many names reach a file.
#ifndef CLUDEMAP_SCAN_FILE_GRAPH_H_
#define CLUDEMAP_SCAN_FILE_GRAPH_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/line_count.h"

// One resolved #include directive: the index of the file it leads to, the
// name as written ("x.h" without quotes, "<x.h>" with its brackets), its
// 1-based line, the search-list entry the file was found in (kNoEntry:
// beside its includer) and whether the run's cuts made it a leaf there.
// Directives the cuts hide are not recorded.
struct FileDirective {
  std::size_t file = 0;
  std::string name;
  std::size_t line = 0;
  int entry = -1;
  bool leaf = false;
};

// One file the scan met: found (a readable header) or missing (one record
// per path tried).
struct FileRecord {
  // The canonical path (links and .. resolved) of a found file; the path
  // tried for a missing one.
  std::string path;
  bool found = false;
  bool system = false;
  // Its directives were followed: false for leaves, depth cuts and missing
  // files.
  bool expanded = false;
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;  // as countLines counts them
  // Every resolved directive, in file order; a file may appear repeatedly.
  std::vector<FileDirective> directives;
};

// A name that no directory held: as written ("<x.h>"), the index of the
// file whose directive wrote it and that directive's line.
struct UnresolvedName {
  std::string name;
  std::size_t includer = 0;
  std::size_t line = 0;
};

struct FileGraph {
  std::vector<FileRecord> files;
  std::vector<std::size_t> roots;  // indices into files, in command-line order
  std::vector<UnresolvedName> unresolved;
  std::size_t warnings = 0;  // warning lines the run printed
  // The scan followed the includes the compiler follows (--preprocess)
  // rather than every include the text holds.
  bool preprocessed = false;
};

#endif  // CLUDEMAP_SCAN_FILE_GRAPH_H_
