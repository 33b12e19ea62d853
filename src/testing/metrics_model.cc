#include "testing/metrics_model.h"

#include <algorithm>

namespace {

using Files = std::vector<ModelFile>;

bool includes(const ModelFile& file, std::size_t target) {
  return std::find(file.targets.begin(), file.targets.end(), target) != file.targets.end();
}

// Every file reachable from `start`, itself included.
std::vector<bool> reach(const Files& files, std::size_t start) {
  std::vector<bool> seen(files.size(), false);
  std::vector<std::size_t> todo{start};
  seen[start] = true;
  while (!todo.empty()) {
    const std::size_t file = todo.back();
    todo.pop_back();
    for (std::size_t target : files[file].targets) {
      if (!seen[target]) todo.push_back(target);
      seen[target] = true;
    }
  }
  return seen;
}

// Layer by layer from the roots.
std::vector<std::optional<std::size_t>> depths(const Files& files,
                                               const std::vector<std::size_t>& roots) {
  std::vector<std::optional<std::size_t>> depth(files.size());
  for (std::size_t root : roots) depth[root] = 0;
  for (std::size_t layer = 0; layer < files.size(); ++layer) {
    for (std::size_t file = 0; file < files.size(); ++file) {
      if (depth[file] != layer) continue;
      for (std::size_t target : files[file].targets) {
        if (!depth[target]) depth[target] = layer + 1;
      }
    }
  }
  return depth;
}

}  // namespace

ModelMetrics modelMetrics(const Files& files, const std::vector<std::size_t>& roots) {
  ModelMetrics model;
  std::vector<std::vector<bool>> reaches;
  for (std::size_t file = 0; file < files.size(); ++file) reaches.push_back(reach(files, file));
  const std::vector<std::optional<std::size_t>> depth = depths(files, roots);
  for (std::size_t file = 0; file < files.size(); ++file) {
    ModelFigures figures;
    for (std::size_t target : files[file].targets) {
      if (std::find(figures.includes.begin(), figures.includes.end(), target) ==
          figures.includes.end()) {
        figures.includes.push_back(target);
      }
    }
    for (std::size_t other = 0; other < files.size(); ++other) {
      if (reaches[file][other]) {
        ++figures.closureFiles;
        figures.closureBytes += files[other].bytes;
        figures.closureLines += files[other].lines;
      }
      figures.includedBy += includes(files[other], file);
      figures.reachedFrom += other != file && reaches[other][file];
      if (depth[file] && *depth[file] > 0 && !figures.via && depth[other] == *depth[file] - 1 &&
          includes(files[other], file)) {
        figures.via = other;
        figures.viaDirective = static_cast<std::size_t>(
            std::find(files[other].targets.begin(), files[other].targets.end(), file) -
            files[other].targets.begin());
      }
    }
    figures.depth = depth[file];
    model.files.push_back(figures);
    std::vector<std::size_t> cycle;
    for (std::size_t other = 0; other < files.size(); ++other) {
      if (reaches[file][other] && reaches[other][file]) cycle.push_back(other);
    }
    if (cycle.front() == file && (cycle.size() > 1 || includes(files[file], file))) {
      model.cycles.push_back(cycle);
    }
  }
  return model;
}
