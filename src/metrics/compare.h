// --compare: this run against a JSON document an earlier run wrote, file by
// file by path.
#ifndef CLUDEMAP_METRICS_COMPARE_H_
#define CLUDEMAP_METRICS_COMPARE_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "metrics/file_metrics.h"
#include "scan/file_graph.h"
#include "util/error.h"

// What a comparison needs of each file of the earlier run.
struct BaselineFile {
  std::string path;      // its exact bytes, from "pathBytes" where there is one
  bool reached = false;  // "depth" was not null
  FileTotals closure;
};

struct Baseline {
  std::string version;
  std::vector<std::size_t> roots;
  std::vector<BaselineFile> files;
};

// Reads the document at `path`. Fails (kUnusableInput) where the file
// cannot be read, is not JSON (the message gives LINE:COLUMN) or is not a
// document writeJson wrote (another "tool", a field missing or of another
// type, an index out of range).
Expected<Baseline> readBaseline(const std::string& path);

// Writes what changed since `baseline`: files newly reached or no longer
// reached from the roots, each root's closure before and after (roots
// matched by path), and the kReportTop files whose closures grew most.
// Returns whether the closure of a root present in both runs grew in files
// or in bytes.
bool writeComparison(std::ostream& out, const Baseline& baseline, const FileGraph& graph,
                     const GraphMetrics& metrics, std::string_view currentDirectory);

#endif  // CLUDEMAP_METRICS_COMPARE_H_
