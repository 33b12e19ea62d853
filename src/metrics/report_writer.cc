#include "metrics/report_writer.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "metrics/text_table.h"
#include "metrics/why.h"

namespace {

// The kReportTop files first by `before`, ties to the lower index.
template <typename Before>
std::vector<std::size_t> topFiles(std::size_t count, Before before) {
  std::vector<std::size_t> files(count);
  for (std::size_t file = 0; file < count; ++file) files[file] = file;
  const std::size_t shown = std::min(count, kReportTop);
  std::partial_sort(
      files.begin(), files.begin() + static_cast<std::ptrdiff_t>(shown), files.end(),
      [&](std::size_t a, std::size_t b) { return before(a, b) || (!before(b, a) && a < b); });
  files.resize(shown);
  return files;
}

std::string plural(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

void writeRoots(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                std::string_view cwd) {
  const RootTotals totals = rootTotals(graph, metrics);
  out << "Reached from " << plural(graph.roots.size(), "root", "roots") << ": "
      << plural(totals.reached.files, "file", "files") << ", "
      << plural(totals.reached.bytes, "byte", "bytes") << ", "
      << plural(totals.reached.lines, "line", "lines") << "; "
      << plural(totals.missing, "missing file", "missing files") << ", "
      << plural(totals.cycles, "cycle", "cycles") << "\n\n";
  TextTable table({false, true, true, true});
  table.add({"root", "files", "bytes", "lines"});
  for (std::size_t root : graph.roots) {
    const FileTotals& closure = metrics.files[root].closure;
    table.add({displayPath(graph.files[root].path, cwd), std::to_string(closure.files),
               std::to_string(closure.bytes), std::to_string(closure.lines)});
  }
  table.write(out, 2);
}

void writeHeaviest(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                   std::string_view cwd) {
  out << "\nHeaviest closures (the file and all it includes)\n";
  const std::vector<std::size_t> files =
      topFiles(graph.files.size(), [&](std::size_t a, std::size_t b) {
        const FileTotals& x = metrics.files[a].closure;
        const FileTotals& y = metrics.files[b].closure;
        return x.bytes != y.bytes ? x.bytes > y.bytes : x.files > y.files;
      });
  TextTable table({true, true, true, false});
  table.add({"files", "bytes", "lines", "file, and how a root reaches it"});
  for (std::size_t file : files) {
    const FileTotals& closure = metrics.files[file].closure;
    table.add({std::to_string(closure.files), std::to_string(closure.bytes),
               std::to_string(closure.lines), displayPath(graph.files[file].path, cwd)});
    const std::string chain = chainText(graph, metrics, file, cwd);
    if (metrics.files[file].depth != 0) {
      table.add({"", "", "", chain.empty() ? "  no root reaches it" : "  " + chain});
    }
  }
  table.write(out, 2);
}

void writeMostReached(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                      std::string_view cwd) {
  out << "\nMost reached (files whose closure holds it, files that include it)\n";
  const std::vector<std::size_t> files =
      topFiles(graph.files.size(), [&](std::size_t a, std::size_t b) {
        const FileMetrics& x = metrics.files[a];
        const FileMetrics& y = metrics.files[b];
        return x.reachedFrom != y.reachedFrom ? x.reachedFrom > y.reachedFrom
                                              : x.includedBy > y.includedBy;
      });
  TextTable table({true, true, false});
  table.add({"reached from", "included by", "file"});
  for (std::size_t file : files) {
    table.add({std::to_string(metrics.files[file].reachedFrom),
               std::to_string(metrics.files[file].includedBy),
               displayPath(graph.files[file].path, cwd)});
  }
  table.write(out, 2);
}

void writeCycles(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                 std::string_view cwd) {
  out << "\nCycles (files that reach each other): " << metrics.cycles.size() << '\n';
  for (std::size_t c = 0; c < metrics.cycles.size(); ++c) {
    const std::vector<std::size_t>& cycle = metrics.cycles[c];
    out << "  " << c + 1 << ". " << plural(cycle.size(), "file", "files") << '\n';
    const std::size_t shown = std::min(cycle.size(), kReportTop);
    for (std::size_t at = 0; at < shown; ++at) {
      out << "     " << displayPath(graph.files[cycle[at]].path, cwd) << '\n';
    }
    if (shown < cycle.size()) out << "     and " << cycle.size() - shown << " more\n";
  }
}

void writeUnresolved(std::ostream& out, const FileGraph& graph, std::string_view cwd) {
  out << "\nUnresolved names: " << graph.unresolved.size() << '\n';
  TextTable table({false, false});
  for (const UnresolvedName& name : graph.unresolved) {
    table.add({printableText(name.name), "in " + displayPath(graph.files[name.includer].path, cwd) +
                                             ':' + std::to_string(name.line)});
  }
  table.write(out, 2);
}

}  // namespace

void writeReport(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
                 std::string_view currentDirectory) {
  writeRoots(out, graph, metrics, currentDirectory);
  writeHeaviest(out, graph, metrics, currentDirectory);
  writeMostReached(out, graph, metrics, currentDirectory);
  writeCycles(out, graph, metrics, currentDirectory);
  writeUnresolved(out, graph, currentDirectory);
}
