#include "metrics/scanned_files.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

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

// A file expanded under several search lists has the directives of each:
// in line order, one directive leading to each place it led, and each name
// found nowhere once.
void mergeSearchLists(FileGraph& graph) {
  for (FileRecord& file : graph.files) {
    std::vector<FileDirective>& directives = file.directives;
    std::sort(directives.begin(), directives.end(), [](const auto& a, const auto& b) {
      return a.line != b.line ? a.line < b.line : a.file < b.file;
    });
    directives.erase(std::unique(directives.begin(), directives.end(),
                                 [](const auto& a, const auto& b) {
                                   return a.line == b.line && a.file == b.file;
                                 }),
                     directives.end());
  }
  std::unordered_set<std::uint64_t> seen;
  const auto repeated = [&seen](const UnresolvedName& name) {
    return !seen.insert(std::uint64_t{name.includer} << 32 | name.line).second;
  };
  graph.unresolved.erase(std::remove_if(graph.unresolved.begin(), graph.unresolved.end(), repeated),
                         graph.unresolved.end());
}

// Which cache of the run holds each header, where there are several.
std::unordered_map<const ScannedHeader*, std::size_t> cachesOfHeaders(const RunState& run) {
  std::unordered_map<const ScannedHeader*, std::size_t> cacheOf;
  if (run.scanCaches.size() < 2) return cacheOf;
  for (std::size_t i = 0; i < run.scanCaches.size(); ++i) {
    for (const ScannedHeader& header : run.scanCaches[i]->headers()) cacheOf[&header] = i;
  }
  return cacheOf;
}

}  // namespace

FileGraph scannedFiles(const RunState& run) {
  FileGraph graph;
  graph.warnings = run.warnings.count();
  FileIndex index(graph);
  for (const ScannedHeader* header : run.headerTrail.reached) index.add(*header);
  // Where several paths lead to one file, the first one expanded gives its
  // directives; where several search lists expanded it, the first one
  // expanded under each.
  const std::unordered_map<const ScannedHeader*, std::size_t> cacheOf = cachesOfHeaders(run);
  std::set<std::pair<std::size_t, std::size_t>> taken;
  for (const ScannedHeader* header : run.headerTrail.expanded) {
    const std::size_t file = index.of(header);
    const std::size_t cache = cacheOf.empty() ? 0 : cacheOf.at(header);
    if (!taken.emplace(file, cache).second) continue;
    graph.files[file].expanded = true;
    addDirectives(*header, file, index, graph);
  }
  if (run.scanCaches.size() > 1) mergeSearchLists(graph);
  for (const ScannedHeader* start : run.startHeaders) {
    const std::size_t root = index.of(start);
    if (std::find(graph.roots.begin(), graph.roots.end(), root) == graph.roots.end()) {
      graph.roots.push_back(root);
    }
  }
  return graph;
}
