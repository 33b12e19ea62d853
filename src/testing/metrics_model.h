// A second, plain statement of the file metrics that the tests judge
// src/metrics by: a search from every file, written from the definitions
// and sharing nothing with the tool's code.
#ifndef CLUDEMAP_TESTING_METRICS_MODEL_H_
#define CLUDEMAP_TESTING_METRICS_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct ModelFile {
  std::uint64_t bytes = 0, lines = 0;
  std::vector<std::size_t> targets;  // of its directives, in order
};

struct ModelFigures {
  std::vector<std::size_t> includes;
  std::uint64_t closureFiles = 0, closureBytes = 0, closureLines = 0;
  std::size_t includedBy = 0, reachedFrom = 0;
  std::optional<std::size_t> depth, via, viaDirective;
};

struct ModelMetrics {
  std::vector<ModelFigures> files;
  std::vector<std::vector<std::size_t>> cycles;
};

ModelMetrics modelMetrics(const std::vector<ModelFile>& files,
                          const std::vector<std::size_t>& roots);

#endif  // CLUDEMAP_TESTING_METRICS_MODEL_H_
