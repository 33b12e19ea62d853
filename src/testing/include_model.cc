#include "testing/include_model.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace {

// One directive line: kind '"' (quoted), '<' (angle) or '?' (malformed,
// with the whole line as its text).
struct ModelDirective {
  char kind;
  std::string text, label;
};

std::vector<ModelDirective> modelDirectives(std::string_view bytes) {
  std::vector<ModelDirective> directives;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end) {
    end = std::min(bytes.find_first_of("\r\n", start), bytes.size() - 1) + 1;
    std::string_view line = bytes.substr(start, end - start);
    line = line.substr(0, line.find('\0'));
    const std::size_t keyword = line.find("#include");
    if (keyword == std::string_view::npos || line.find("//") < keyword) continue;
    std::size_t at = keyword + 8;
    while (at < line.size() && line[at] == ' ') ++at;
    const char kind = at < line.size() && (line[at] == '"' || line[at] == '<') ? line[at] : '?';
    if (kind == '?') {
      directives.push_back({kind, std::string(line), ""});
      continue;
    }
    const std::size_t close = line.find(kind == '"' ? '"' : '>', at + 1);
    const std::string name(line.substr(at + 1, close - at - 1));
    const bool closed = close < line.size();
    directives.push_back({kind, name, kind == '"' ? name : "<" + name + (closed ? ">" : "")});
  }
  return directives;
}

}  // namespace

std::string modelEscape(std::string_view label) {
  const std::map<char, std::string> escapes = {
      {'\\', "\\\\"}, {'"', "\\\""}, {'\r', "\\r"}, {'\n', "\\n"}};
  std::string escaped;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (i > 0 && i % 4096 == 0) escaped += "\\\n";
    const auto escape = escapes.find(label[i]);
    escaped += escape != escapes.end() ? escape->second : std::string(1, label[i]);
  }
  return escaped;
}

std::string modelNode(int id, std::string_view label) {
  return "   Node" + std::to_string(id) + " [shape=\"box\",label=\"" + modelEscape(label) +
         "\",fontsize=10,height=0.2,width=0.4,fontname=\"Helvetica\",color=\"black\","
         "style=\"filled\" fontcolor=\"white\"];\n";
}

std::string modelEdge(int child, int parent, bool firstSighting) {
  return "   Node" + std::to_string(child) + " -> Node" + std::to_string(parent) +
         " [dir=back,color=\"" + (firstSighting ? "midnightblue" : "orange") +
         "\",fontsize=10,style=\"solid\",fontname=\"Helvetica\"];\n";
}

std::string modelDotFile(const std::string& statements) {
  return "digraph G\n{\n"
         "edge [fontname=\"Helvetica\",fontsize=10,labelfontname=\"Helvetica\",labelfontsize=10];\n"
         "node [fontname=\"Helvetica\",fontsize=10,shape=record];\n" +
         statements + "}\n";
}

namespace {

struct Node {
  std::vector<Node> children;
  bool firstSighting = false;
  std::string label;
};

struct Model {
  std::vector<std::string> dirs;
  fs::path base;
  std::map<std::string, int> registry;
  int nextId = 1;
  std::set<std::pair<int, int>> expandedPairs, drawnEdges;
  ToolOutput output;

  // A '\' opens as '/', as on the tool's first platform.
  std::optional<std::string> readRegularFile(std::string path) const {
    std::replace(path.begin(), path.end(), '\\', '/');
    std::error_code error;
    if (!fs::is_regular_file(base / path, error)) return std::nullopt;
    std::ifstream in(base / path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Quoted names next to the includer, else in the include directories, else
  // missing next to the includer; angle-bracket names in the directories.
  std::optional<std::string> childPath(const ModelDirective& directive, const std::string& dir) {
    if (directive.kind == '"' && readRegularFile(dir + directive.text)) return dir + directive.text;
    for (const std::string& includeDir : dirs) {
      if (readRegularFile(includeDir + directive.text)) return includeDir + directive.text;
    }
    if (directive.kind == '"') return dir + directive.text;
    return std::nullopt;
  }

  void scan(const std::string& path, Node& node, const std::string& label,
            const std::string& parentLabel) {
    node.firstSighting = registry.count(label) == 0;
    node.label = label.empty() ? path : label;
    const int id = registry[node.label] != 0 ? registry[node.label] : nextId++;
    if (!expandedPairs.insert({registry[parentLabel], id}).second) return;
    registry[node.label] = id;
    const std::optional<std::string> bytes = readRegularFile(path);
    if (!bytes) {
      output.warnings += "WARNING: Cannot find file " + path + "\n";
      return;
    }
    // The directory list, each component followed by '/'.
    std::string dir = path.substr(0, path.find_last_of("/\\") + 1);
    std::replace(dir.begin(), dir.end(), '\\', '/');
    for (const ModelDirective& directive : modelDirectives(*bytes)) {
      if (directive.kind == '?') {
        output.warnings +=
            "Warning: In file: " + path + ", line " + directive.text + " is malformatted.\n";
      } else if (const std::optional<std::string> child = childPath(directive, dir)) {
        scan(*child, node.children.emplace_back(), directive.label, node.label);
      } else {
        output.warnings += "WARNING: Cannot open file: <" + directive.text + ">\n";
      }
    }
  }

  void write(const Node& node, int parentId) {
    const int id = registry[node.label];
    if (!node.label.empty()) {
      output.dot += modelNode(id, node.label);
      if (parentId != -1 && drawnEdges.count({id, parentId}) == 0) {
        output.dot += modelEdge(id, parentId, node.firstSighting);
        if (!node.firstSighting) drawnEdges.insert({id, parentId});
      }
    }
    for (const Node& child : node.children) write(child, id);
  }
};

}  // namespace

ToolOutput runModel(const std::string& argument, const std::vector<std::string>& dirs,
                    const fs::path& base) {
  std::string path = argument;
  if (!path.empty() && path[0] == '"')
    path = path.size() < 2 ? "" : path.substr(1, path.size() - 2);
  Model model;
  model.dirs = dirs;
  model.base = base;
  Node root;
  model.scan(path, root, "", "");
  model.write(root, -1);
  model.output.dot = modelDotFile(model.output.dot);
  return model.output;
}
