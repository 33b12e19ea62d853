// The figures of each file of a FileGraph: what it includes, what it drags
// in, who includes it and how far it is from a root.
#ifndef CLUDEMAP_METRICS_FILE_METRICS_H_
#define CLUDEMAP_METRICS_FILE_METRICS_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "scan/file_graph.h"

// An index or a depth that does not exist.
inline constexpr std::size_t kNoIndex = std::numeric_limits<std::size_t>::max();

// A set of files: how many, and their bytes and lines added up. Missing
// files count as files of no bytes and no lines.
struct FileTotals {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
};

struct FileMetrics {
  // The distinct files its directives lead to, in the order of each one's
  // first directive.
  std::vector<std::size_t> includes;
  // The file itself and every file reachable from it.
  FileTotals closure;
  // Distinct files with a directive leading to it (itself, if it includes
  // itself).
  std::size_t includedBy = 0;
  // Distinct files other than itself whose closure holds it.
  std::size_t reachedFrom = 0;
  // The fewest directives from a root to it: 0 for a root, kNoIndex when no
  // root reaches it.
  std::size_t depth = kNoIndex;
  // For depth > 0: the file of lowest index at depth - 1 that includes it,
  // and the index, among that file's directives, of the first one leading
  // to it. Following `via` from a file walks one shortest chain to a root.
  std::size_t via = kNoIndex;
  std::size_t viaDirective = kNoIndex;
};

struct GraphMetrics {
  std::vector<FileMetrics> files;  // one per FileGraph::files entry
  // The strongly connected sets of more than one file, and the files that
  // include themselves; each sorted by file index, all ordered by their
  // first index.
  std::vector<std::vector<std::size_t>> cycles;
};

// Memory for the closures' bitsets, in 64-bit words (32 MiB), once for the
// closures and once for reachedFrom: enough for 20,000 files at once; more
// files take several passes.
inline constexpr std::size_t kClosureWords = std::size_t{1} << 22;

// Computes every figure in time linear in the directives, apart from the
// closures and reachedFrom: they are worked out once per strongly connected
// set, as bitsets of at most `closureWords` words at a time, on a second
// thread for reachedFrom. Every directive and root must name an index of
// `graph.files`.
GraphMetrics computeMetrics(const FileGraph& graph, std::size_t closureWords = kClosureWords);

// The distinct files the roots reach, themselves included: their bytes and
// lines, how many are missing, and how many cycles lie among them.
struct RootTotals {
  FileTotals reached;
  std::uint64_t missing = 0;
  std::uint64_t cycles = 0;
};
RootTotals rootTotals(const FileGraph& graph, const GraphMetrics& metrics);

#endif  // CLUDEMAP_METRICS_FILE_METRICS_H_
