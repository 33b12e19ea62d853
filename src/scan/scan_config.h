// What a scan is asked to do, fixed before it starts.
#ifndef CLUDEMAP_SCAN_SCAN_CONFIG_H_
#define CLUDEMAP_SCAN_SCAN_CONFIG_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "scan/cuts.h"
#include "scan/search_list.h"

// A start file and the search list its names are looked up in.
struct StartFile {
  std::string path;
  std::size_t searchList = 0;  // index into ScanConfig::searchLists
};

struct ScanConfig {
  // The distinct search lists of the start files. Start files of equal
  // lists share one cache of resolved names; every cache shares one store
  // of contents, so a file is read once per run whatever list leads to it.
  std::vector<SearchList> searchLists{1};
  std::vector<StartFile> starts;  // scanned in this order, into one tree state
  Cuts cuts;
  // Threads that read headers ahead of the scan; unset: eight per core the
  // machine has, at least two and at most sixteen. The result never depends
  // on it.
  std::optional<unsigned> readerThreads;
  // Whether the scan records the file graph, with what the file reports
  // need of every header: its lines, its directives' lines and its
  // canonical path.
  bool fileFacts = false;
};

#endif  // CLUDEMAP_SCAN_SCAN_CONFIG_H_
