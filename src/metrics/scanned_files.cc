#include "metrics/scanned_files.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "scan/read_ahead.h"

namespace {

// Files by what identifies them, and each header's file.
class FileIndex {
 public:
  explicit FileIndex(FileGraph& graph) : graph_(graph) {}

  std::size_t add(const ScannedHeader& header) {
    const HeaderContent& content = *header.content;
    const std::string& key = content.readable ? content.canonicalPath : content.path;
    const auto [entry, added] = byKey_.try_emplace(key, graph_.files.size());
    if (added) {
      FileRecord& file = graph_.files.emplace_back();
      file.path = key;
      file.found = content.readable;
      file.bytes = content.bytes;
      file.lines = content.lines;
    }
    // A file is a system header when some node found it through a system
    // entry, under any of its paths.
    if (header.reachedAsSystem) graph_.files[entry->second].system = true;
    byHeader_[&header] = entry->second;
    return entry->second;
  }

  std::size_t of(const ScannedHeader* header) const { return byHeader_.at(header); }

 private:
  FileGraph& graph_;
  std::unordered_map<std::string, std::size_t> byKey_;
  std::unordered_map<const ScannedHeader*, std::size_t> byHeader_;
};

// Where directive `index` of the expanded header `header` led in the
// header's first expansion.
DirectiveLead firstLead(const ScannedHeader& header, std::size_t index) {
  for (const DirectiveLead& lead : header.firstLeads) {
    if (lead.directive == index) return lead;
  }
  const DirectiveMemo& memo = header.directives[index];
  return DirectiveLead{index, memo.to, memo.cut};
}

// The directives of the expanded header `header`, whose file is `file`.
void addDirectives(const ScannedHeader& header, std::size_t file, const FileIndex& index,
                   FileGraph& graph) {
  const HeaderContent& content = *header.content;
  for (std::size_t i = 0; i < content.directives.size(); ++i) {
    const DirectiveText& directive = content.directives[i];
    if (directive.kind == IncludeDirective::Kind::kMalformed || !header.directives[i].resolved) {
      continue;
    }
    const DirectiveLead lead = firstLead(header, i);
    if (lead.cut == DirectiveMemo::Cut::kHidden) continue;
    const std::string name(content.labelOf(directive));
    if (lead.to.header == nullptr) {
      graph.unresolved.push_back(UnresolvedName{name, file, directive.line});
      continue;
    }
    graph.files[file].directives.push_back(
        FileDirective{index.of(lead.to.header), name, directive.line});
  }
}

}  // namespace

FileGraph scannedFiles(const RunState& run) {
  FileGraph graph;
  graph.warnings = run.warnings.count();
  if (!run.scanCache) return graph;
  const ScanCache& cache = *run.scanCache;
  FileIndex index(graph);
  for (const ScannedHeader* header : run.headerTrail.reached) index.add(*header);
  // Where several paths lead to one file, the first one expanded gives its
  // directives.
  for (const ScannedHeader* header : run.headerTrail.expanded) {
    const std::size_t file = index.of(header);
    if (graph.files[file].expanded) continue;
    graph.files[file].expanded = true;
    addDirectives(*header, file, index, graph);
  }
  for (const ScannedHeader* start : cache.startHeaders()) {
    const std::size_t root = index.of(start);
    if (std::find(graph.roots.begin(), graph.roots.end(), root) == graph.roots.end()) {
      graph.roots.push_back(root);
    }
  }
  return graph;
}
