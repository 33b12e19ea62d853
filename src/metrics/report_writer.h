// The -T report output: what the roots drag in, in plain text for a person.
#ifndef CLUDEMAP_METRICS_REPORT_WRITER_H_
#define CLUDEMAP_METRICS_REPORT_WRITER_H_

#include <cstddef>
#include <iosfwd>
#include <string_view>

#include "metrics/file_metrics.h"
#include "scan/file_graph.h"

// How many files the ranked lists show.
inline constexpr std::size_t kReportTop = 20;

// Writes the roots' totals, each root's closure, the kReportTop files with
// the heaviest closures (most bytes, then most files) with a chain from a
// root, the kReportTop files reached from the most files, the cycles and
// the unresolved names with their includers. Ties go to the lower index, and
// paths are shown by displayPath.
void writeReport(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                 std::string_view currentDirectory);

#endif  // CLUDEMAP_METRICS_REPORT_WRITER_H_
