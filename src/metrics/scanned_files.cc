#include "metrics/scanned_files.h"

#include <algorithm>
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
    byHeader_[&header] = entry->second;
    return entry->second;
  }

  std::size_t of(const ScannedHeader* header) const { return byHeader_.at(header); }

 private:
  FileGraph& graph_;
  std::unordered_map<std::string, std::size_t> byKey_;
  std::unordered_map<const ScannedHeader*, std::size_t> byHeader_;
};

bool foundInSystemEntry(const SearchList& searchList, const Destination& to) {
  return to.entry != kNoEntry &&
         searchList.entries()[static_cast<std::size_t>(to.entry)].kind == SearchList::Kind::kSystem;
}

// The directives of the expanded header `header`, whose file is `file`, as
// `searchList` resolved them.
void addDirectives(const SearchList& searchList, const ScannedHeader& header, std::size_t file,
                   const FileIndex& index, FileGraph& graph) {
  const HeaderContent& content = *header.content;
  for (std::size_t i = 0; i < content.directives.size(); ++i) {
    const DirectiveText& directive = content.directives[i];
    const DirectiveMemo& memo = header.directives[i];
    if (directive.kind == IncludeDirective::Kind::kMalformed || !memo.resolved ||
        memo.cut == DirectiveMemo::Cut::kHidden) {
      continue;
    }
    const std::string name(content.labelOf(directive));
    if (memo.to.header == nullptr) {
      graph.unresolved.push_back(UnresolvedName{name, file, directive.line});
      continue;
    }
    const std::size_t target = index.of(memo.to.header);
    if (foundInSystemEntry(searchList, memo.to)) graph.files[target].system = true;
    graph.files[file].directives.push_back(FileDirective{target, name, directive.line});
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

}  // namespace

FileGraph scannedFiles(const RunState& run) {
  FileGraph graph;
  graph.warnings = run.warnings.count();
  FileIndex index(graph);
  for (const auto& cache : run.scanCaches) {
    for (const ScannedHeader& header : cache->headers()) index.add(header);
  }
  // Where several paths lead to one file, the first expanded one gives its
  // directives; where several search lists expanded it, the first expanded
  // under each.
  std::vector<bool> taken;
  for (const auto& cache : run.scanCaches) {
    taken.assign(graph.files.size(), false);
    for (const ScannedHeader& header : cache->headers()) {
      const std::size_t file = index.of(&header);
      if (!header.expanded || taken[file]) continue;
      taken[file] = true;
      graph.files[file].expanded = true;
      addDirectives(cache->searchList(), header, file, index, graph);
    }
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
