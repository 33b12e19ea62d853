#include "scan/scan.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "scan/file_recorder.h"
#include "scan/scan_cache.h"
#include "scan/translation_unit.h"
#include "util/path_separator.h"

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
  if (!label.empty()) memo = ChildMemo{registered, leaf ? 0 : parentId, 0, node.label};
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
    node.file = static_cast<std::uint32_t>(recorded);
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
  node.expanded = true;
  const bool records =
      scan.recorder != nullptr && scan.recorder->firstExpansion(recorded, scan.list);
  scan.stack.push_back(Frame{&node, &header, depth, records ? recorded : kNotRecorded});
  return recorded;
}

// The commonest node by far, made without the general path of enterNode: a
// directive followed again under a parent its node's pair is known to be
// expanded under, whose node is no first sighting and stays a leaf, as
// registerNode would decide. Returns false for any other node.
bool knownRepeat(Scan& scan, DirectiveMemo& memo, std::int32_t parentId, IncludeNode& node) {
  ChildMemo& known = memo.child;
  if (known.id == 0 || known.expandedUnder != parentId) return false;
  node.label = known.label;
  node.id = known.id;
  node.missing = !memo.to->key.file->found;
  // A repeat edge is drawn once per pair: after this directive's first
  // repeat below this parent, the pair is known to be drawn.
  if (known.repeatDrawnUnder != parentId) {
    decideEdge(scan.tree, node, parentId);
    known.repeatDrawnUnder = parentId;
  }
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
    if (scan.recorder == nullptr) return;
    file = scan.recorder->indexOf(*memo.to->key.file);
    child.file = static_cast<std::uint32_t>(file);
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

// The compiler's view.

// How deep the compiler nests includes: deeper, GCC stops the translation
// unit, and the scan stops following there.
constexpr int kMostIncludeLevels = 200;

// One file the compiler has entered, and how far it has read it.
struct UnitFrame {
  IncludeNode* node;  // null where nothing below is shown (cuts)
  ScannedHeader* header;
  int depth;
  std::size_t recordedFile;  // or kNotRecorded
  FileWalk walk;
};

// Registers a node of the compiler's view: its label's id and first
// sighting and its edge as in the textual scan; no pair is expanded only
// once, since the compiler enters a file as often as it is included.
void registerUnitNode(TreeState& tree, IncludeNode& node, const std::string& path,
                      std::string_view label, std::int32_t parentId, int depth) {
  std::int32_t& registered = registerLabel(tree, node, path, label);
  node.id = registered != 0 ? registered : tree.nextNodeId++;
  registered = node.id;
  if (depth > 0) decideEdge(tree, node, parentId);
}

// Notes the node's file where files are recorded; returns its index.
std::size_t noteUnitFile(Scan& scan, ScannedHeader& header, IncludeNode& node, int depth) {
  if (scan.recorder == nullptr) return kNotRecorded;
  const HeaderFile& file = *header.key.file;
  const HeaderContent* content = file.found ? &scan.cache.read(header, depth, true) : nullptr;
  const std::size_t recorded = scan.recorder->reach(file, content, scan.cache.isSystem(header.key));
  node.file = static_cast<std::uint32_t>(recorded);
  return recorded;
}

// What GCC keeps a file's include guard by: the directory it found the
// file in (a search-list entry, or the includer's own directory) and the
// name that found it there.
std::string guardRoute(const HeaderFile* includer, const HeaderKey& key, std::string_view name) {
  std::string where;
  if (key.entry != kNoEntry) {
    where = std::string(1, '\0') + std::to_string(key.entry);  // spells no directory
  } else if (includer != nullptr) {
    where = includer->path.substr(0, includer->path.find_last_of(kNameSeparators) + 1);
  }
  return where + '\0' + std::string(name);
}

// The frame that enters `header`, read, or nothing where it does not read.
std::optional<UnitFrame> unitFrame(Scan& scan, ScannedHeader& header, IncludeNode* node, int depth,
                                   std::size_t recordedFile, int includeLevel, std::string route) {
  const HeaderFile& file = *header.key.file;
  if (!file.found) return std::nullopt;
  const HeaderContent& content = scan.cache.read(header, depth, true);
  if (!content.readable) return std::nullopt;
  // Room for every child up front: frames point at nodes in place.
  if (node != nullptr) {
    node->children.reserve(content.childDirectives);
    node->expanded = true;
  }
  FileWalk walk;
  walk.file = &content.lexed;
  walk.path = file.path;
  walk.identity = content.canonicalPath;
  walk.route = std::move(route);
  walk.includeLevel = includeLevel;
  return UnitFrame{node, &header, depth, recordedFile, std::move(walk)};
}

// Whether `name` is an absolute path ("/x.h", "\\x.h", "C:/x.h"), which the
// compiler opens as it is, whatever the directive's kind.
bool isAbsoluteName(std::string_view name) {
  return (!name.empty() && isNameSeparator(name[0])) ||
         (name.size() > 2 && name[1] == ':' && isNameSeparator(name[2]));
}

// Where the compiler finds `name`, included by `kind` from `includer`
// (null: the current directory), which was found in `includerEntry`.
ScannedHeader* unitLead(Scan& scan, const HeaderFile* includer, std::string_view name,
                        IncludeKind kind, int includerEntry) {
  if (isAbsoluteName(name)) return scan.cache.lead(nullptr, name, IncludeKind::kQuoted, kNoEntry);
  return scan.cache.lead(includer, name, kind, includerEntry);
}

// Follows one include of the innermost file the compiler reads: its node,
// where the cuts show it, and the file entered unless the compiler would
// not read it again.
void followUnitInclude(Scan& scan, TranslationUnit& unit, std::vector<UnitFrame>& frames,
                       const IncludeRequest& request, bool fromCurrentDirectory) {
  UnitFrame& top = frames.back();
  const HeaderFile* includer =
      fromCurrentDirectory || isAbsoluteName(request.name) ? nullptr : top.header->key.file;
  ScannedHeader* header =
      unitLead(scan, includer, request.name, request.kind, top.header->key.entry);
  const Cut cut =
      scan.config.cuts.any()
          ? scan.cache.cutOf(request.name, header != nullptr ? header->key : HeaderKey{})
          : Cut::kNone;
  const bool shown = top.node != nullptr && cut != Cut::kHidden;
  if (header == nullptr) {
    if (!shown) return;
    scan.warnings.warn(kUnresolvedAngleWarning, {request.name});
    if (top.recordedFile != kNotRecorded) {
      scan.recorder->addUnresolved(UnresolvedName{request.label, top.recordedFile, request.line});
    }
    return;
  }
  const int depth = top.depth + 1;
  const int includeLevel = top.walk.includeLevel + 1;
  const HeaderFile& file = *header->key.file;
  IncludeNode* node = nullptr;
  std::size_t recorded = kNotRecorded;
  if (shown) {
    node = &top.node->children.emplace_back();
    node->missing = !file.found;
    recorded = noteUnitFile(scan, *header, *node, depth);
    registerUnitNode(scan.tree, *node, file.path, request.label, top.node->id, depth);
    if (top.recordedFile != kNotRecorded) {
      scan.recorder->addDirective(
          top.recordedFile, FileDirective{recorded, request.label, request.line, header->key.entry,
                                          cut == Cut::kLeaf});
    }
  }
  const bool showBelow = shown && cut == Cut::kNone && belowMaxDepth(scan.config.cuts, depth);
  std::string route = guardRoute(includer, header->key, request.name);
  if (file.found) {
    const HeaderContent& content = scan.cache.read(*header, depth, true);
    // A file guarded or marked once: the include is followed, the file not
    // read again.
    if (content.readable && !unit.enters(content.canonicalPath, route, content.lexed, request)) {
      return;
    }
  }
  if (includeLevel >= kMostIncludeLevels) {
    scan.warnings.warn(kDirectiveWarning,
                       {top.walk.path, std::to_string(request.line), "#include nested too deeply"});
    return;
  }
  const std::size_t records =
      showBelow && scan.recorder != nullptr && scan.recorder->firstExpansion(recorded, scan.list)
          ? recorded
          : kNotRecorded;
  std::optional<UnitFrame> entered = unitFrame(scan, *header, showBelow ? node : nullptr, depth,
                                               records, includeLevel, std::move(route));
  if (!entered) {
    if (shown) {
      node->missing = true;
      scan.warnings.warn(kMissingFileWarning, {file.path});
    }
    return;
  }
  frames.push_back(std::move(*entered));
}

// What the compiler reads before the start file's first line, in its
// order, each file as if included from the current directory: the
// -imacros files, its implicit pre-include and the -include files.
std::vector<IncludeRequest> preIncludes(const Preprocessing& config) {
  std::vector<IncludeRequest> requests;
  for (const StartStep& step : config.steps) {
    if (step.kind == StartStep::Kind::kDefine || step.kind == StartStep::Kind::kUndefine) continue;
    IncludeRequest& request = requests.emplace_back();
    request.name = request.label = step.value;
  }
  return requests;
}

// Scans the start file `start` as the compiler reads it, a translation unit
// of its own. Returns whether some #if asked the compiler a question it had
// no answer to yet.
bool scanUnit(Scan& scan, const StartFile& start, IncludeNode& root, CompilerAnswers* answers) {
  TreeState& tree = scan.tree;
  const NodeIdRegistry::Entry* parent = tree.registry.find("");
  const std::int32_t parentId = parent == nullptr ? 0 : parent->second;
  ScannedHeader& header = scan.cache.startHeader(start.path);
  root.missing = !header.key.file->found;
  const std::size_t recorded = noteUnitFile(scan, header, root, 0);
  registerUnitNode(tree, root, start.path, "", parentId, 0);
  if (scan.recorder != nullptr) scan.recorder->addRoot(recorded);
  tree.registry.tryEmplace("");
  const bool leaf = startIsLeaf(scan.config.cuts, start.path);
  const std::size_t records =
      !leaf && scan.recorder != nullptr && scan.recorder->firstExpansion(recorded, scan.list)
          ? recorded
          : kNotRecorded;
  std::vector<UnitFrame> frames;
  std::optional<UnitFrame> first =
      unitFrame(scan, header, leaf ? nullptr : &root, 0, records, 0, "");
  if (!first) {
    root.missing = true;
    scan.warnings.warn(kMissingFileWarning, {start.path});
    return false;
  }
  const Preprocessing& config = scan.config.preprocessings[start.preprocessing];
  const std::vector<IncludeRequest> pending = preIncludes(config);
  root.children.reserve(root.children.capacity() + pending.size());
  frames.push_back(std::move(*first));
  TranslationUnit unit(config, start.preprocessing, start.path, answers, scan.warnings,
                       [&](std::string_view name, bool angled, bool next) {
                         const UnitFrame& top = frames.back();
                         const IncludeKind kind = next     ? IncludeKind::kNext
                                                  : angled ? IncludeKind::kAngle
                                                           : IncludeKind::kQuoted;
                         const ScannedHeader* found = unitLead(scan, top.header->key.file, name,
                                                               kind, top.header->key.entry);
                         return found != nullptr && found->key.file->found;
                       });
  unit.applyMacroOptions();
  std::size_t preIncluded = 0;
  while (!frames.empty()) {
    if (frames.size() == 1 && preIncluded < pending.size()) {
      followUnitInclude(scan, unit, frames, pending[preIncluded++], true);
      continue;
    }
    const std::optional<IncludeRequest> request = unit.nextInclude(frames.back().walk);
    if (request) {
      followUnitInclude(scan, unit, frames, *request, false);
    } else {
      frames.pop_back();
    }
  }
  return unit.unanswered();
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

// How the store reads headers: for the compiler's view, lexed as the
// dialect of the first translation unit lexes them.
std::optional<Dialect> lexingOf(const ScanConfig& config) {
  if (!config.preprocess) return std::nullopt;
  const Preprocessing& first = config.preprocessings.front();
  return dialectFor(first.cplusplus, first.standard);
}

}  // namespace

// Everything the scan keeps while it runs, besides its result. The store
// comes after the caches, so that its threads stop before the caches their
// tasks use go.
struct ScanMemory {
  // Reading ahead follows the text's includes, which the compiler's view
  // does not; without cuts every file found is opened anyway, so a search
  // reads what it finds at once.
  explicit ScanMemory(const ScanConfig& config)
      : store(config.preprocess ? 0 : readerCount(config), config.fileFacts, !config.cuts.any(),
              lexingOf(config)) {}

  std::vector<std::unique_ptr<ScanCache>> caches;
  ContentStore store;
  std::optional<TreeState> tree;  // of the last scan
};

void ScanMemoryRelease::operator()(ScanMemory* memory) const { delete memory; }

namespace {

// Scans every start file into `result`, with a fresh tree state; returns
// whether some #if asked the compiler a question it had no answer to yet.
bool scanAll(const ScanConfig& config, WarningSink& warnings, ScanMemory& memory,
             ScanResult& result, CompilerAnswers* answers) {
  result.roots.resize(config.starts.size());
  TreeState& tree = memory.tree.emplace(result.labels);
  std::optional<FileRecorder> recorder;
  if (config.fileFacts) recorder.emplace(result.files);
  bool unanswered = false;
  for (std::size_t i = 0; i < config.starts.size(); ++i) {
    const StartFile& start = config.starts[i];
    const std::size_t list =
        cacheFor(memory.caches, config.searchLists[start.searchList], config.cuts, memory.store);
    Scan scan{config, warnings, tree, *memory.caches[list], list, recorder ? &*recorder : nullptr,
              {}};
    if (config.preprocess) {
      unanswered = scanUnit(scan, start, result.roots[i], answers) || unanswered;
    } else {
      scanStart(scan, start.path, result.roots[i]);
    }
  }
  if (recorder) recorder->finish(memory.caches.size() > 1);
  result.files.warnings = warnings.count();
  result.files.preprocessed = config.preprocess;
  for (const auto& [line, count] : warnings.kept()) {
    result.distinctWarnings.emplace_back(line, count);
  }
  result.filesRead = memory.store.filesRead();
  return unanswered;
}

}  // namespace

ScanResult scanIncludes(const ScanConfig& config, WarningSink& warnings, CompilerAnswers* answers) {
  std::unique_ptr<ScanMemory, ScanMemoryRelease> memory(new ScanMemory(config));
  // The compiler's answers to the questions some #if asks are asked in
  // batches: scans whose warnings go nowhere gather them, until a scan
  // needs no new answer; the scan whose warnings count comes last.
  if (config.preprocess && answers != nullptr) {
    for (;;) {
      std::ostream nowhere(nullptr);
      WarningSink unheard(nowhere);
      ScanResult trial;
      if (!scanAll(config, unheard, *memory, trial, answers) || !answers->askPending()) break;
    }
  }
  ScanResult result;
  scanAll(config, warnings, *memory, result, answers);
  result.memory = std::move(memory);
  return result;
}
