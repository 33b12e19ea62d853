// A second, plain statement of cludemap's rules that the tests judge the
// tool by: recursive, unoptimised, written from the rules and not from the
// tool's code. Literal cases in the end-to-end tests pin it to the rules.
#ifndef CLUDEMAP_TESTING_INCLUDE_MODEL_H_
#define CLUDEMAP_TESTING_INCLUDE_MODEL_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/file_graph.h"

std::string modelEscape(std::string_view label);  // as inside a DOT string
std::string modelNode(int id, std::string_view label);
std::string modelEdge(int child, int parent, bool firstSighting);
std::string modelDotFile(const std::string& statements);

using Strings = std::vector<std::string>;

// The file graph is what -T json describes, before its figures: the files
// met, by canonical path, in the order their paths were first reached.
struct ToolOutput {
  std::string warnings, dot;
  FileGraph files;
};

// An include directory, ending in a separator, and its kind: 'q' for
// quoted names only (-iquote), 'I' for both (-I), 's' a system one.
struct ModelSearchDir {
  std::string prefix;
  char kind = 'I';
};

// A run of the tool as the model sees it.
struct ModelOptions {
  Strings starts;                    // the start paths as the command line gives them
  std::vector<ModelSearchDir> dirs;  // in search order
  // Where given, start i's own include directories instead of `dirs` (--all).
  std::vector<std::vector<ModelSearchDir>> startDirs;
  bool tree = false;
  std::optional<int> maxDepth;
  Strings leafGlobs, excludeGlobs;
  char system = 'f';    // follow, leaf or hide
  char warnings = 'a';  // all, once or none
};

// What cludemap prints and writes for `options`, relative paths taken from
// `base`.
ToolOutput runModel(const ModelOptions& options, const std::filesystem::path& base);
// The same for one start path and -I directories only.
ToolOutput runModel(const std::string& argument, const Strings& dirs,
                    const std::filesystem::path& base);

// Whether `pattern` matches all of `text` (*, ? and [...] classes).
bool modelGlob(std::string_view pattern, std::string_view text);

#endif  // CLUDEMAP_TESTING_INCLUDE_MODEL_H_
