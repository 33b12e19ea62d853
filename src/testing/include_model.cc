#include "testing/include_model.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace {

// One directive line: kind '"' (quoted), '<' (angle), 'n' (include_next)
// or '?' (malformed, with the whole line as its text).
struct ModelDirective {
  char kind;
  std::string text, label;
  std::size_t line;  // from 1; each LF, CR LF and lone CR ends a line
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where the first '#' followed by blanks and "include" stands, or npos.
std::size_t directiveStart(std::string_view line) {
  for (std::size_t hash = 0; hash < line.size(); ++hash) {
    if (line[hash] != '#') continue;
    std::size_t at = hash + 1;
    while (at < line.size() && isBlank(line[at])) ++at;
    if (line.substr(at, 7) == "include") return hash;
  }
  return std::string_view::npos;
}

std::vector<ModelDirective> modelDirectives(std::string_view bytes) {
  std::vector<ModelDirective> directives;
  std::size_t lineEnds = 0;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end) {
    end = std::min(bytes.find_first_of("\r\n", start), bytes.size() - 1) + 1;
    std::string_view line = bytes.substr(start, end - start);
    const std::size_t number = lineEnds + 1;
    lineEnds += bytes[end - 1] == '\n' || (bytes[end - 1] == '\r' && bytes.substr(end, 1) != "\n");
    line = line.substr(0, line.find('\0'));
    const std::size_t hash = directiveStart(line);
    if (hash == std::string_view::npos || line.find("//") < hash) continue;
    std::size_t at = line.find("include", hash) + 7;
    const bool next = line.substr(at, 5) == "_next";
    if (next) at += 5;
    while (at < line.size() && isBlank(line[at])) ++at;
    const char opener = at < line.size() ? line[at] : '?';
    if (opener != '"' && opener != '<') {
      directives.push_back({'?', std::string(line), "", number});
      continue;
    }
    const std::size_t close = line.find(opener == '"' ? '"' : '>', at + 1);
    const std::string name(line.substr(at + 1, close - at - 1));
    const bool closed = close < line.size();
    const std::string angleLabel = "<" + name + (closed || opener == '"' ? ">" : "");
    if (next) {
      directives.push_back({'n', name, angleLabel, number});
    } else {
      directives.push_back({opener, name, opener == '"' ? name : angleLabel, number});
    }
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
  ModelOptions options;
  const std::vector<ModelSearchDir>* dirs = &options.dirs;  // the current start's
  fs::path base;
  std::map<std::string, int> registry;
  int nextId = 1;
  std::set<std::pair<int, int>> expandedPairs, drawnEdges;
  ToolOutput output;
  std::set<std::string> warned;
  std::map<std::string, std::size_t> fileIndex;
  // (file, search list) pairs expanded: a file expanded under several lists
  // has the directives of its first expansion under each.
  std::set<std::pair<std::size_t, std::string>> expandedUnder;
  std::set<std::string> listsUsed;

  // Each warning is one message, though a malformed line's spans two lines;
  // "once" keeps the first of equal messages.
  void warn(const std::string& message) {
    ++output.files.warnings;
    if (options.warnings == 'n') return;
    if (options.warnings == 'o' && !warned.insert(message).second) return;
    output.warnings += message;
  }

  // A '\' opens as '/', as on the tool's first platform.
  std::optional<std::string> readRegularFile(std::string path) const {
    std::replace(path.begin(), path.end(), '\\', '/');
    std::error_code error;
    if (!fs::is_regular_file(base / path, error)) return std::nullopt;
    std::ifstream in(base / path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  struct Found {
    std::string path;
    int entry;  // -1: not through an include directory
  };

  // The first include directory from `from` on that holds `name`; quoted
  // names may use every directory, the others not the 'q' ones.
  std::optional<Found> search(const std::string& name, int from, bool quoted) const {
    for (int i = from; i < static_cast<int>(dirs->size()); ++i) {
      const ModelSearchDir& dir = (*dirs)[i];
      if (!quoted && dir.kind == 'q') continue;
      if (readRegularFile(dir.prefix + name)) return Found{dir.prefix + name, i};
    }
    return std::nullopt;
  }

  // Quoted names next to the includer, else in the include directories, else
  // missing next to the includer; angle-bracket names in the directories;
  // include_next names in the directories after the includer's.
  std::optional<Found> childPath(const ModelDirective& directive, const std::string& dir,
                                 int entry) const {
    if (directive.kind == 'n') return search(directive.text, entry + 1, false);
    if (directive.kind == '<') return search(directive.text, 0, false);
    if (readRegularFile(dir + directive.text)) return Found{dir + directive.text, -1};
    if (std::optional<Found> found = search(directive.text, 0, true)) return found;
    return Found{dir + directive.text, -1};
  }

  static bool matches(const Strings& globs, const std::string& name, const std::string* path) {
    for (const std::string& glob : globs) {
      if (modelGlob(glob, name) || (path != nullptr && modelGlob(glob, *path))) return true;
    }
    return false;
  }

  // The file at `path`, added when first reached: known by its canonical
  // path when it can be read, else by the path. Each line end ends a line,
  // and so does the last byte.
  std::size_t reach(const std::string& path) {
    const std::optional<std::string> bytes = readRegularFile(path);
    std::string key = path;
    if (bytes) {
      std::replace(key.begin(), key.end(), '\\', '/');
      key = fs::canonical(base / key).string();
    }
    std::vector<FileRecord>& files = output.files.files;
    const auto [at, added] = fileIndex.emplace(key, files.size());
    if (added) {
      files.push_back({key, bytes.has_value(), false, false, bytes ? bytes->size() : 0, 0, {}});
      for (std::size_t i = 0; bytes && i < bytes->size(); ++i) {
        files.back().lines += (*bytes)[i] == '\n' || i + 1 == bytes->size() ||
                              ((*bytes)[i] == '\r' && (*bytes)[i + 1] != '\n');
      }
    }
    return at->second;
  }

  // A leaf is registered with its id but neither claims its pair nor is read.
  // Returns the file of `path`, whose first expansion gives its directives.
  std::size_t scan(const std::string& path, int entry, Node& node, const std::string& label,
                   const std::string& parentLabel, int depth, bool leaf) {
    const std::size_t file = reach(path);
    node.firstSighting = registry.count(label) == 0;
    node.label = label.empty() ? path : label;
    const int id = registry[node.label] != 0 ? registry[node.label] : nextId++;
    const int parentId = registry[parentLabel];
    if (leaf || (options.maxDepth && depth >= *options.maxDepth)) {
      registry[node.label] = id;
      return file;
    }
    if (!expandedPairs.insert({parentId, id}).second) return file;
    registry[node.label] = id;
    const std::optional<std::string> bytes = readRegularFile(path);
    if (!bytes) {
      warn("WARNING: Cannot find file " + path + "\n");
      return file;
    }
    FileGraph& graph = output.files;
    std::string list;
    for (const ModelSearchDir& searchDir : *dirs) list += searchDir.prefix + searchDir.kind + '\n';
    listsUsed.insert(list);
    const bool first = expandedUnder.emplace(file, list).second;
    graph.files[file].expanded = true;
    // The directory list, each component followed by '/'.
    std::string dir = path.substr(0, path.find_last_of("/\\") + 1);
    std::replace(dir.begin(), dir.end(), '\\', '/');
    for (const ModelDirective& directive : modelDirectives(*bytes)) {
      if (directive.kind == '?') {
        warn("Warning: In file: " + path + ", line " + directive.text + " is malformatted.\n");
        continue;
      }
      const std::optional<Found> child = childPath(directive, dir, entry);
      const std::string* childPath = child ? &child->path : nullptr;
      const bool system = child && child->entry >= 0 && (*dirs)[child->entry].kind == 's';
      if (matches(options.excludeGlobs, directive.text, childPath) ||
          (system && options.system == 'h')) {
        continue;
      }
      if (!child) {
        warn("WARNING: Cannot open file: <" + directive.text + ">\n");
        if (first) graph.unresolved.push_back({directive.label, file, directive.line});
        continue;
      }
      const bool leafChild = matches(options.leafGlobs, directive.text, childPath) ||
                             (system && options.system == 'l');
      const std::size_t target = scan(child->path, child->entry, node.children.emplace_back(),
                                      directive.label, node.label, depth + 1, leafChild);
      graph.files[target].system = graph.files[target].system || system;
      if (first) graph.files[file].directives.push_back({target, directive.label, directive.line});
    }
    return file;
  }

  void write(const Node& node, int parentId) {
    const int id = registry[node.label];
    const bool shown = !options.tree || node.firstSighting || parentId == -1;
    if (!node.label.empty() && shown) {
      output.dot += modelNode(id, node.label);
      if (parentId != -1 && drawnEdges.count({id, parentId}) == 0) {
        output.dot += modelEdge(id, parentId, node.firstSighting);
        if (!node.firstSighting) drawnEdges.insert({id, parentId});
      }
    }
    for (const Node& child : node.children) write(child, id);
  }
};

// Where several search lists expanded files: each file's directives in
// line order, one per place each led, and each unresolved directive once.
void mergeLists(FileGraph& graph) {
  for (FileRecord& file : graph.files) {
    std::map<std::pair<std::size_t, std::size_t>, FileDirective> byLine;
    for (const FileDirective& directive : file.directives)
      byLine.emplace(std::make_pair(directive.line, directive.file), directive);
    file.directives.clear();
    for (const auto& entry : byLine) file.directives.push_back(entry.second);
  }
  std::set<std::pair<std::size_t, std::size_t>> seen;
  std::vector<UnresolvedName> unresolved;
  for (const UnresolvedName& name : graph.unresolved) {
    if (seen.emplace(name.includer, name.line).second) unresolved.push_back(name);
  }
  graph.unresolved = unresolved;
}

}  // namespace

ToolOutput runModel(const ModelOptions& options, const fs::path& base) {
  Model model;
  model.options = options;
  model.base = base;
  std::vector<Node> roots(options.starts.size());
  for (std::size_t i = 0; i < roots.size(); ++i) {
    model.dirs = i < options.startDirs.size() ? &model.options.startDirs[i] : &model.options.dirs;
    std::string path = options.starts[i];
    if (!path.empty() && path[0] == '"')
      path = path.size() < 2 ? "" : path.substr(1, path.size() - 2);
    std::vector<std::size_t>& files = model.output.files.roots;
    const std::size_t root =
        model.scan(path, -1, roots[i], "", "", 0, Model::matches(options.leafGlobs, path, nullptr));
    if (std::find(files.begin(), files.end(), root) == files.end()) files.push_back(root);
  }
  for (const Node& root : roots) model.write(root, -1);
  model.output.dot = modelDotFile(model.output.dot);
  if (model.listsUsed.size() > 1) mergeLists(model.output.files);
  return model.output;
}

ToolOutput runModel(const std::string& argument, const Strings& dirs, const fs::path& base) {
  ModelOptions options;
  options.starts = {argument};
  for (const std::string& dir : dirs) options.dirs.push_back({dir, 'I'});
  return runModel(options, base);
}

bool modelGlob(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    return modelGlob(pattern.substr(1), text) ||
           (!text.empty() && modelGlob(pattern, text.substr(1)));
  }
  if (text.empty()) return false;
  const std::size_t close = pattern.find(']', 2);
  if (pattern[0] == '[' && close != std::string_view::npos) {
    const bool negated = pattern[1] == '!' || pattern[1] == '^';
    bool member = false;
    for (std::size_t i = negated ? 2 : 1; i < close; ++i) {
      if (i + 2 < close && pattern[i + 1] == '-') {
        member = member || (pattern[i] <= text[0] && text[0] <= pattern[i + 2]);
        i += 2;
      } else {
        member = member || pattern[i] == text[0];
      }
    }
    return member != negated && modelGlob(pattern.substr(close + 1), text.substr(1));
  }
  return (pattern[0] == '?' || pattern[0] == text[0]) &&
         modelGlob(pattern.substr(1), text.substr(1));
}
