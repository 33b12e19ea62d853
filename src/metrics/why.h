// --why: how the roots come to include the files a pattern names.
#ifndef CLUDEMAP_METRICS_WHY_H_
#define CLUDEMAP_METRICS_WHY_H_

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "metrics/file_metrics.h"
#include "scan/file_graph.h"

// The files of one shortest chain from a root to `file`, the root first and
// `file` last (just `file` for a root); empty when no root reaches it.
std::vector<std::size_t> chainTo(const GraphMetrics& metrics, std::size_t file);

// One shortest chain as text: the root's path (see displayPath), then each
// file's name as its includer wrote it, each but the last followed by
// ":LINE" of its directive that leads on, joined by " → ":
//   src/app.h:3 → util/str.h:12 → <vector>
// "" when no root reaches `file`.
std::string chainText(const FileGraph& graph, const GraphMetrics& metrics, std::size_t file,
                      std::string_view currentDirectory);

using NameMatcher = std::function<bool(std::string_view)>;

// Writes a line for every file whose path, or a name a directive gave it,
// `matches`, in file order: its chain, or "PATH: no root reaches it". Then a
// line for each unresolved name that `matches`: the chain to its includer,
// ":LINE → NAME (not found)". Returns the number of lines.
std::size_t writeWhy(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                     const NameMatcher& matches, std::string_view currentDirectory);

#endif  // CLUDEMAP_METRICS_WHY_H_
