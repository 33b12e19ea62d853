#include "scan/file_recorder.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace {

constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);

}  // namespace

std::size_t FileRecorder::reach(const HeaderFile& file, const HeaderContent* content, bool system) {
  if (file.number >= indexByNumber_.size()) indexByNumber_.resize(file.number + 1, kUnknown);
  std::size_t& index = indexByNumber_[file.number];
  if (index == kUnknown) {
    const bool readable = content != nullptr && content->readable;
    const std::string& key = readable ? content->canonicalPath : file.path;
    const auto [entry, added] = indexByKey_.try_emplace(key, graph_.files.size());
    if (added) {
      FileRecord& record = graph_.files.emplace_back();
      record.path = key;
      record.found = readable;
      record.bytes = readable ? content->bytes : 0;
      record.lines = readable ? content->lines : 0;
    }
    index = entry->second;
  }
  if (system) graph_.files[index].system = true;
  return index;
}

bool FileRecorder::firstExpansion(std::size_t index, std::size_t list) {
  if (!expanded_.emplace(index, list).second) return false;
  graph_.files[index].expanded = true;
  if (index >= expansionOf_.size()) expansionOf_.resize(index + 1, kUnknown);
  expansionOf_[index] = unresolved_.size();
  unresolved_.emplace_back();
  return true;
}

void FileRecorder::addDirective(std::size_t includer, FileDirective directive) {
  graph_.files[includer].directives.push_back(std::move(directive));
}

void FileRecorder::addUnresolved(UnresolvedName name) {
  unresolved_[expansionOf_[name.includer]].push_back(std::move(name));
}

void FileRecorder::addRoot(std::size_t index) {
  std::vector<std::size_t>& roots = graph_.roots;
  if (std::find(roots.begin(), roots.end(), index) == roots.end()) roots.push_back(index);
}

void FileRecorder::finish(bool severalLists) {
  for (std::vector<UnresolvedName>& names : unresolved_) {
    for (UnresolvedName& name : names) graph_.unresolved.push_back(std::move(name));
  }
  unresolved_.clear();
  if (!severalLists) return;
  for (FileRecord& file : graph_.files) {
    std::vector<FileDirective>& directives = file.directives;
    std::stable_sort(directives.begin(), directives.end(), [](const auto& a, const auto& b) {
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
  std::vector<UnresolvedName>& unresolved = graph_.unresolved;
  unresolved.erase(std::remove_if(unresolved.begin(), unresolved.end(), repeated),
                   unresolved.end());
}
