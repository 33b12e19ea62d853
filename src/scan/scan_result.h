// Everything a scan found, which every writer takes as it is: nothing
// after the scan reaches into the scan's caches.
#ifndef CLUDEMAP_SCAN_SCAN_RESULT_H_
#define CLUDEMAP_SCAN_SCAN_RESULT_H_

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scan/file_graph.h"
#include "scan/include_tree.h"
#include "scan/label.h"

// What the scan kept to work fast: its caches, the contents it read, its
// reader threads and the tables of its rules. Nothing reads it after the
// scan; it is owned by the result only so that a process about to end can
// leave it to the system instead of freeing it piece by piece.
struct ScanMemory;
struct ScanMemoryRelease {
  void operator()(ScanMemory* memory) const;
};

struct ScanResult {
  ScanResult() = default;
  ScanResult(const ScanResult&) = delete;
  ScanResult& operator=(const ScanResult&) = delete;
  ScanResult(ScanResult&&) = default;
  ScanResult& operator=(ScanResult&&) = default;

  // The texts the nodes' labels hold; every label number is below its size.
  LabelTable labels;
  // The include tree of each start file, in the order of the configuration:
  // ids, first sightings and drawn edges as the rules decide them.
  std::vector<IncludeNode> roots;
  // With file facts: the files met and the directives between them.
  FileGraph files;
  // The warnings, each distinct line with how often it came, in the order
  // first met, where the warning sink kept them.
  std::vector<std::pair<std::string, std::size_t>> distinctWarnings;
  // How many distinct paths held a readable file that the scan read.
  std::size_t filesRead = 0;
  std::unique_ptr<ScanMemory, ScanMemoryRelease> memory;
};

#endif  // CLUDEMAP_SCAN_SCAN_RESULT_H_
