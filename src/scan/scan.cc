#include "scan/scan.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "scan/file_recorder.h"
#include "scan/scan_cache.h"

namespace {

constexpr std::size_t kNotRecorded = static_cast<std::size_t>(-1);

// The state the include rules keep across every start file of a run.
struct TreeState {
  explicit TreeState(LabelTable& labelTable) : labels(labelTable) {}

  LabelTable& labels;
  NodeIdRegistry registry;
  std::int32_t nextNodeId = 1;
  ExpandedPairs expandedPairs;
  DrawnEdges drawnEdges;
};

// One header being expanded, and how far its directives have been followed.
struct Frame {
  IncludeNode* node;
  ScannedHeader* header;
  int depth;  // 0 for a start header
  // The file whose directives this expansion records, or kNotRecorded.
  std::size_t recordedFile;
  std::size_t next = 0;
};

// The scan of one start file. The tree is built depth first with an
// explicit stack, innermost header last, so that nesting depth costs heap,
// not call stack.
struct Scan {
  const ScanConfig& config;
  WarningSink& warnings;
  TreeState& tree;
  ScanCache& cache;
  std::size_t list;        // the index of the cache's search list
  FileRecorder* recorder;  // with file facts
  std::vector<Frame> stack;
};

// Sets the node's label and first-sighting flag and returns the registry's
// value for the node's label.
std::int32_t& registerLabel(TreeState& tree, IncludeNode& node, const std::string& path,
                            std::string_view label) {
  NodeIdRegistry& registry = tree.registry;
  // A nameless directive's node is known by its path, but whether it is a
  // first sighting still depends on the empty label.
  const bool nameless = label.empty();
  if (nameless) node.firstSighting = registry.find(label) == nullptr;
  node.label = tree.labels(nameless ? std::string_view(path) : label);
  // An unknown label gets a zero entry on purpose: a later node under that
  // label is then no first sighting.
  const auto [entry, added] = registry.tryEmplace(node.label);
  if (!nameless) node.firstSighting = added;
  return entry->second;
}

// Registers the node, giving it its label's id or else the next new one,
// and, unless it is a `leaf`, claims its (parent, node) pair, using and
// filling in what `memo` knows from earlier nodes of the same directive.
// Returns true when the pair is new, so the node is to be expanded. A
// leaf's label keeps the id it is given, but its pair stays unclaimed, so
// that the same pair met elsewhere is still expanded there.
bool registerNode(TreeState& tree, IncludeNode& node, const std::string& path,
                  std::string_view label, std::int32_t parentId, bool leaf, ChildMemo& memo) {
  if (memo.id != 0) {
    node.label = memo.label;
    node.firstSighting = false;
    node.id = memo.id;
    if (leaf || memo.expandedUnder == parentId) return false;
    memo.expandedUnder = parentId;
    return tree.expandedPairs.insert(PairKey(parentId, node.id));
  }
  std::int32_t& registered = registerLabel(tree, node, path, label);
  node.id = registered != 0 ? registered : tree.nextNodeId++;
  const bool expand = !leaf && tree.expandedPairs.insert(PairKey(parentId, node.id));
  if (expand || leaf) registered = node.id;
  if (!label.empty()) memo = ChildMemo{registered, leaf ? 0 : parentId, node.label};
  return expand;
}

// Decides whether the edge from `node`, below its includer `parentId`, is
// drawn, in the order the tree is built, which is the order it is written.
void decideEdge(TreeState& tree, IncludeNode& node, std::int32_t parentId) {
  if (node.label.empty()) return;
  const PairKeyValue key = PairKey(node.id, parentId);
  node.edgeDrawn =
      node.firstSighting ? !tree.drawnEdges.contains(key) : tree.drawnEdges.insert(key);
}

// Registers the node and, when it is to be expanded and its file can be
// read, pushes a frame for its directives. A node at the run's depth limit
// is a leaf too. Returns the index of its file where files are recorded.
std::size_t enterNode(Scan& scan, ScannedHeader& header, IncludeNode& node, std::string_view label,
                      std::int32_t parentId, int depth, bool leaf, ChildMemo& memo) {
  const HeaderFile& file = *header.key.file;
  node.missing = !file.found;
  leaf = leaf || !belowMaxDepth(scan.config.cuts, depth);
  std::size_t recorded = kNotRecorded;
  if (scan.recorder != nullptr) {
    // The file reports give every file's size, leaves' too.
    const HeaderContent* content = file.found ? &scan.cache.read(header, depth, leaf) : nullptr;
    recorded = scan.recorder->reach(file, content, scan.cache.isSystem(header.key));
  }
  const bool expand = registerNode(scan.tree, node, file.path, label, parentId, leaf, memo);
  if (depth > 0) decideEdge(scan.tree, node, parentId);
  if (!expand) return recorded;
  const HeaderContent* content = file.found ? &scan.cache.read(header, depth, false) : nullptr;
  if (content == nullptr || !content->readable) {
    node.missing = true;
    scan.warnings.warn(kMissingFileWarning, {file.path});
    return recorded;
  }
  // Room for every child up front: the frame's node pointer and the children
  // being filled in place stay where they are.
  node.children.reserve(content->childDirectives);
  const bool records =
      scan.recorder != nullptr && scan.recorder->firstExpansion(recorded, scan.list);
  scan.stack.push_back(Frame{&node, &header, depth, records ? recorded : kNotRecorded});
  return recorded;
}

// The commonest node by far, made without the general path of enterNode: a
// directive followed again under a parent its node's pair is known to be
// expanded under, whose node is no first sighting and stays a leaf, as
// registerNode would decide. Returns false for any other node.
bool knownRepeat(Scan& scan, const DirectiveMemo& memo, std::int32_t parentId, IncludeNode& node) {
  const ChildMemo& known = memo.child;
  if (known.id == 0 || known.expandedUnder != parentId) return false;
  node.label = known.label;
  node.id = known.id;
  node.missing = !memo.to->key.file->found;
  decideEdge(scan.tree, node, parentId);
  return true;
}

// Follows the next directive of the innermost header.
void followNextDirective(Scan& scan) {
  Frame& top = scan.stack.back();
  const HeaderContent& content = *top.header->content;
  const std::size_t index = top.next++;
  const HeaderDirective& directive = content.directives[index];
  if (directive.kind == IncludeKind::kMalformed) {
    scan.warnings.warn(kMalformedLineWarning,
                       {top.header->key.file->path, content.textOf(directive)});
    return;
  }
  DirectiveMemo& memo = top.header->directives[index];
  if (!memo.resolved) scan.cache.resolve(*top.header, index);
  if (memo.cut == Cut::kHidden) return;
  const std::size_t includer = top.recordedFile;
  if (memo.to == nullptr) {
    scan.warnings.warn(kUnresolvedAngleWarning, {content.textOf(directive)});
    if (includer != kNotRecorded) {
      scan.recorder->addUnresolved(
          UnresolvedName{std::string(content.labelOf(directive)), includer, directive.line});
    }
    return;
  }
  const std::int32_t parentId = top.node->id;
  const int depth = top.depth + 1;
  IncludeNode& child = top.node->children.emplace_back();
  // `top` is not to be used from here on: entering the child may grow the
  // stack.
  std::size_t file = kNotRecorded;
  if (knownRepeat(scan, memo, parentId, child)) {
    if (includer == kNotRecorded) return;
    file = scan.recorder->indexOf(*memo.to->key.file);
  } else {
    file = enterNode(scan, *memo.to, child, content.labelOf(directive), parentId, depth,
                     memo.cut == Cut::kLeaf, memo.child);
  }
  if (includer != kNotRecorded) {
    scan.recorder->addDirective(
        includer, FileDirective{file, std::string(content.labelOf(directive)), directive.line,
                                memo.to->key.entry, memo.cut == Cut::kLeaf});
  }
}

unsigned readerCount(const ScanConfig& config) {
  if (config.readerThreads) return *config.readerThreads;
  // Reading waits on the disk when the files are not cached, and readers
  // beyond the cores keep more reads going at once; with cached files they
  // cost little.
  constexpr unsigned kReadersPerCore = 8;
  constexpr unsigned kMostReaders = 16;
  return std::clamp(kReadersPerCore * std::thread::hardware_concurrency(), 2u, kMostReaders);
}

void scanStart(Scan& scan, const std::string& path, IncludeNode& node) {
  TreeState& tree = scan.tree;
  // A start header's includer is the empty label.
  const NodeIdRegistry::Entry* parent = tree.registry.find("");
  const std::int32_t parentId = parent == nullptr ? 0 : parent->second;
  ChildMemo memo;
  ScannedHeader& start = scan.cache.startHeader(path);
  const std::size_t file =
      enterNode(scan, start, node, "", parentId, 0, startIsLeaf(scan.config.cuts, path), memo);
  if (scan.recorder != nullptr) scan.recorder->addRoot(file);
  // Like every read of the registry, reading the parent's id leaves a zero
  // entry for an unknown label, here only after the node's own first-sighting
  // check has looked.
  tree.registry.tryEmplace("");
  while (!scan.stack.empty()) {
    const Frame& top = scan.stack.back();
    if (top.next == top.header->directives.size()) {
      scan.stack.pop_back();
    } else {
      followNextDirective(scan);
    }
  }
  scan.cache.stopReadingAhead();
}

// The cache of the run for `searchList`, made on first use. A run has few
// distinct search lists, mostly used in turn.
std::size_t cacheFor(std::vector<std::unique_ptr<ScanCache>>& caches, const SearchList& searchList,
                     const Cuts& cuts, ContentStore& store) {
  for (std::size_t i = 0; i < caches.size(); ++i) {
    if (caches[i]->searchList() == searchList) return i;
  }
  caches.push_back(std::make_unique<ScanCache>(searchList, cuts, store));
  return caches.size() - 1;
}

}  // namespace

// Everything the scan keeps while it runs, besides its result. The store
// comes after the caches, so that its threads stop before the caches their
// tasks use go.
struct ScanMemory {
  ScanMemory(const ScanConfig& config, LabelTable& labels)
      : tree(labels), store(readerCount(config), config.fileFacts, !config.cuts.any()) {}

  TreeState tree;
  std::vector<std::unique_ptr<ScanCache>> caches;
  // Without cuts every file found is opened anyway, so a search reads what
  // it finds at once.
  ContentStore store;
};

void ScanMemoryRelease::operator()(ScanMemory* memory) const { delete memory; }

ScanResult scanIncludes(const ScanConfig& config, WarningSink& warnings) {
  ScanResult result;
  result.roots.resize(config.starts.size());
  result.memory.reset(new ScanMemory(config, result.labels));
  ScanMemory& memory = *result.memory;
  std::optional<FileRecorder> recorder;
  if (config.fileFacts) recorder.emplace(result.files);
  for (std::size_t i = 0; i < config.starts.size(); ++i) {
    const std::size_t list = cacheFor(
        memory.caches, config.searchLists[config.starts[i].searchList], config.cuts, memory.store);
    Scan scan{
        config, warnings, memory.tree, *memory.caches[list], list, recorder ? &*recorder : nullptr,
        {}};
    scanStart(scan, config.starts[i].path, result.roots[i]);
  }
  if (recorder) recorder->finish(memory.caches.size() > 1);
  result.files.warnings = warnings.count();
  for (const auto& [line, count] : warnings.kept()) {
    result.distinctWarnings.emplace_back(line, count);
  }
  result.filesRead = memory.store.filesRead();
  return result;
}
