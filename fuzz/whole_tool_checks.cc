#include "fuzz/whole_tool_checks.h"

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "app/driver.h"
#include "fuzz/dot_statements.h"
#include "fuzz/header_tree_input.h"
#include "graph/dot_format.h"
#include "scan/include_tree.h"
#include "scan/scan_header.h"

namespace fs = std::filesystem;

namespace {

// Makes a directory the working directory for its own lifetime.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& directory) : previous_(fs::current_path()) {
    fs::current_path(directory);
  }
  ~WorkingDirectory() { fs::current_path(previous_); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path previous_;
};

std::int32_t registeredId(const std::string& label) {
  const NodeIdRegistry::Entry* found = runState().nodeIdRegistry.find(label);
  return found == nullptr ? 0 : found->second;
}

std::string nodeShape(std::int32_t id) {
  return "   Node" + std::to_string(id) +
         " [shape=\"\",label=\"\",fontsize=10,height=0.2,width=0.4,fontname=\"\",color=\"\","
         "style=\"\" fontcolor=\"\"];";
}

std::string edgeShape(std::int32_t child, std::int32_t parent) {
  return "   Node" + std::to_string(child) + " -> Node" + std::to_string(parent) +
         " [dir=back,color=\"\",fontsize=10,style=\"\",fontname=\"\"];";
}

// Walks the tree in pre-order, as the writer does, and matches each
// labelled node with its statements.
class StatementMatcher {
 public:
  explicit StatementMatcher(const std::vector<DotStatement>& statements)
      : statements_(statements) {}

  std::string match(const IncludeNode& root) {
    std::vector<std::pair<const IncludeNode*, const IncludeNode*>> pending{{&root, nullptr}};
    while (!pending.empty()) {
      const auto [node, parent] = pending.back();
      pending.pop_back();
      for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
        pending.emplace_back(&*child, node);
      }
      if (node->label.empty()) continue;
      const std::string problem = matchNode(*node, parent);
      if (!problem.empty()) return problem + " (statement " + std::to_string(next_) + ")";
    }
    if (next_ != statements_.size()) return "statements left over after the tree";
    return "";
  }

 private:
  std::string matchNode(const IncludeNode& node, const IncludeNode* parent) {
    const std::int32_t id = registeredId(node.label);
    if (id < 1 || id >= runState().nextNodeId) return "node id out of range";
    if (next_ == statements_.size()) return "missing node statement";
    const DotStatement& statement = statements_[next_++];
    const std::vector<std::string> strings{"box",   node.label, "Helvetica",
                                           "black", "filled",   "white"};
    if (statement.shape != nodeShape(id) || statement.strings != strings) {
      return "wrong node statement";
    }
    if (parent == nullptr) return "";

    const std::int32_t parentId = registeredId(parent->label);
    bool drawn = false;
    if (node.firstSighting) {
      drawn = orangePairs_.count({id, parentId}) == 0;
    } else {
      drawn = orangePairs_.insert({id, parentId}).second;
    }
    if (!drawn) return "";
    if (next_ == statements_.size()) return "missing edge statement";
    const DotStatement& edge = statements_[next_++];
    const std::vector<std::string> edgeStrings{node.firstSighting ? "midnightblue" : "orange",
                                               "solid", "Helvetica"};
    if (edge.shape != edgeShape(id, parentId) || edge.strings != edgeStrings) {
      return "wrong edge statement";
    }
    return "";
  }

  const std::vector<DotStatement>& statements_;
  std::size_t next_ = 0;
  std::set<std::pair<std::int32_t, std::int32_t>> orangePairs_;
};

// What the scan must leave in the tree, walked in pre-order, the order in
// which the scan registers nodes: each label gets the next id where it first
// appears; only that first appearance may be a first sighting; and a
// (parent, child) pair of ids is expanded, that is has children, at most
// once.
std::string checkTree(const IncludeNode& root) {
  std::set<std::string> seenLabels;
  std::set<std::pair<std::int32_t, std::int32_t>> expandedPairs;
  std::int32_t nextId = 1;
  std::vector<std::pair<const IncludeNode*, std::int32_t>> pending{{&root, 0}};
  while (!pending.empty()) {
    const auto [node, parentId] = pending.back();
    pending.pop_back();
    const std::int32_t id = registeredId(node->label);
    if (seenLabels.insert(node->label).second) {
      if (id != nextId++) return "ids not given in order of discovery";
    } else if (node->firstSighting) {
      return "first sighting of a label met before";
    }
    if (!node->children.empty() && !expandedPairs.emplace(parentId, id).second) {
      return "pair of ids expanded twice";
    }
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
      pending.emplace_back(&*child, id);
    }
  }
  return "";
}

std::string checkDistinctIds() {
  std::map<std::int32_t, const std::string*> labels;
  for (const auto& [label, id] : runState().nodeIdRegistry) {
    if (id != 0 && !labels.emplace(id, &label).second) return "two labels share a node id";
  }
  return "";
}

std::string checkDot(const IncludeNode& root, std::string_view dot) {
  if (dot.substr(0, kDotOpening.size()) != kDotOpening) return "DOT text lacks the opening text";
  if (dot.size() < kDotOpening.size() + kDotClosing.size() ||
      dot.substr(dot.size() - kDotClosing.size()) != kDotClosing) {
    return "DOT text lacks the closing line";
  }
  const std::string_view body =
      dot.substr(kDotOpening.size(), dot.size() - kDotOpening.size() - kDotClosing.size());
  std::vector<DotStatement> statements;
  std::string problem = readDotStatements(body, statements);
  if (!problem.empty()) return "DOT statements: " + problem;
  problem = StatementMatcher(statements).match(root);
  if (!problem.empty()) return problem;
  problem = checkTree(root);
  if (!problem.empty()) return problem;
  return checkDistinctIds();
}

}  // namespace

WholeToolRun runWholeTool(std::string_view input, const fs::path& directory) {
  const HeaderTree tree = decodeHeaderTree(input);
  writeHeaderTree(tree, directory);
  WholeToolRun run;
  {
    const WorkingDirectory inside(directory);
    std::ostringstream warnings;
    resetRunState();
    runState().warnings = &warnings;
    runState().systemIncludeDirs = kTreeSystemIncludeDirs;
    // Two readers keep the reading ahead in play on any machine; the
    // default, up to sixteen on a large one, would be started again for
    // every input.
    runState().readerThreads = 2;
    IncludeNode root;
    scanHeader(rootPathFromArgument(tree.rootArgument), root, "", "");
    std::ostringstream dot;
    writeDotFile(dot, root);
    run.warnings = warnings.str();
    run.dot = dot.str();
    run.failure = checkDot(root, run.dot);
    resetRunState();
  }
  fs::remove_all(directory);
  return run;
}
