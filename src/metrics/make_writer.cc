#include "metrics/make_writer.h"

#include <ostream>
#include <utility>

#include "metrics/text_table.h"
#include "util/make_quote.h"

namespace {

// The files below `root` in the tree, each once, in pre-order.
std::vector<std::size_t> filesOfTree(const IncludeNode& root, std::size_t fileCount) {
  std::vector<std::size_t> files;
  std::vector<bool> listed(fileCount);
  std::vector<const IncludeNode*> pending{&root};
  while (!pending.empty()) {
    const IncludeNode* node = pending.back();
    pending.pop_back();
    if (node->file != kNoFile && !listed[node->file]) {
      listed[node->file] = true;
      files.push_back(node->file);
    }
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
      pending.push_back(&*child);
    }
  }
  return files;
}

// The files the directives lead to from `root`, each once, in pre-order.
std::vector<std::size_t> filesReached(const FileGraph& graph, std::size_t root) {
  std::vector<std::size_t> files;
  std::vector<bool> listed(graph.files.size());
  std::vector<std::size_t> pending{root};
  while (!pending.empty()) {
    const std::size_t file = pending.back();
    pending.pop_back();
    if (listed[file]) continue;
    listed[file] = true;
    files.push_back(file);
    const std::vector<FileDirective>& directives = graph.files[file].directives;
    for (auto directive = directives.rbegin(); directive != directives.rend(); ++directive) {
      if (!listed[directive->file]) pending.push_back(directive->file);
    }
  }
  return files;
}

}  // namespace

std::string objectTarget(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  const std::size_t dot = path.rfind('.');
  if (dot != std::string_view::npos && dot != 0) path = path.substr(0, dot);
  return std::string(path) + ".o";
}

void writeMakeRules(std::ostream& out, const ScanResult& result, const MakeOptions& options) {
  const FileGraph& graph = result.files;
  for (std::size_t i = 0; i < result.roots.size(); ++i) {
    const IncludeNode& root = result.roots[i];
    if (root.file == kNoFile || !graph.files[root.file].found) continue;
    const std::vector<std::size_t> files =
        graph.preprocessed ? filesOfTree(root, graph.files.size()) : filesReached(graph, root.file);
    const std::string& named = i < options.targets.size() ? options.targets[i] : std::string();
    out << (named.empty() ? makeQuoted(objectTarget(root.label.str())) : named) << ':';
    std::vector<std::string> headers;
    for (const std::size_t file : files) {
      if (!graph.files[file].found) continue;
      const std::string path =
          makeQuoted(displayPath(graph.files[file].path, options.currentDirectory));
      out << " \\\n  " << path;
      if (file != root.file) headers.push_back(path);
    }
    out << '\n';
    if (!options.phony) continue;
    for (const std::string& header : headers) out << '\n' << header << ":\n";
  }
}
