#include "scan/scan_header.h"

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

#include "scan/read_ahead.h"
#include "util/glob.h"

namespace {

// One header being expanded, and how far its directives have been followed.
struct Frame {
  IncludeNode* node;
  ScannedHeader* header;
  // The search-list entry the header was found in.
  int entry;
  int depth;  // 0 for a start header
  std::size_t next = 0;
};

// The scan of one start header. The tree is built depth first with an
// explicit stack, innermost header last, so that nesting depth costs heap,
// not call stack.
struct Scan {
  RunState& run;
  ScanCache& cache;
  std::vector<Frame> stack;
};

// Sets the node's label and first-sighting flag and returns the registry's
// value for the node's label.
std::int32_t& registerLabel(RunState& run, IncludeNode& node, const std::string& path,
                            std::string_view label) {
  NodeIdRegistry& registry = run.nodeIdRegistry;
  // A nameless directive's node is known by its path, but whether it is a
  // first sighting still depends on the empty label.
  const bool nameless = label.empty();
  if (nameless) node.firstSighting = registry.find(label) == nullptr;
  node.label = run.labels(nameless ? std::string_view(path) : label);
  // An unknown label gets a zero entry on purpose: a later node under that
  // label is then no first sighting.
  const auto [entry, added] = registry.tryEmplace(node.label);
  if (!nameless) node.firstSighting = added;
  return entry->second;
}

// Claims the node's (parent, node) pair: true when it is new, so the node is
// to be expanded, and false when the pair was expanded before, so the node
// stays a leaf.
bool claimPair(RunState& run, const IncludeNode& node, std::int32_t parentId) {
  return run.expandedPairs.insert(PairKey(parentId, node.id));
}

// Registers the node, giving it its label's id or else the next new one,
// and, unless it is a `leaf`, claims its pair, using and filling in what
// `memo` knows from earlier nodes of the same directive. Returns true when
// the node is to be expanded. A leaf's label keeps the id it is given, but
// its pair stays unclaimed, so that the same pair met elsewhere is still
// expanded there.
bool registerNode(RunState& run, IncludeNode& node, const std::string& path, std::string_view label,
                  std::int32_t parentId, bool leaf, ChildMemo& memo) {
  if (memo.id != 0) {
    node.label = memo.label;
    node.firstSighting = false;
    node.id = memo.id;
    if (leaf || memo.expandedUnder == parentId) return false;
    memo.expandedUnder = parentId;
    return claimPair(run, node, parentId);
  }
  std::int32_t& registered = registerLabel(run, node, path, label);
  node.id = registered != 0 ? registered : run.nextNodeId++;
  const bool expand = !leaf && claimPair(run, node, parentId);
  if (expand || leaf) registered = node.id;
  if (!label.empty()) memo = ChildMemo{registered, leaf ? 0 : parentId, node.label};
  return expand;
}

bool foundInSystemEntry(const SearchList& searchList, const Destination& to) {
  return to.entry != kNoEntry &&
         searchList.entries()[static_cast<std::size_t>(to.entry)].kind == SearchList::Kind::kSystem;
}

// Notes, for the file reports, that a node stands for the header `to` leads
// to.
void noteReached(RunState& run, const SearchList& searchList, const Destination& to) {
  ScannedHeader& header = *to.header;
  if (!header.reached) run.headerTrail.reached.push_back(&header);
  header.reached = true;
  header.reachedAsSystem = header.reachedAsSystem || foundInSystemEntry(searchList, to);
}

// Registers the node and, when it is to be expanded and its file can be
// read, pushes a frame for its directives. A node at the run's depth limit
// is a leaf too.
void enterNode(Scan& scan, const Destination& to, IncludeNode& node, std::string_view label,
               std::int32_t parentId, int depth, bool leaf, ChildMemo& memo) {
  const HeaderContent& content = *to.header->content;
  node.missing = !content.readable;
  if (scan.run.fileFacts) noteReached(scan.run, scan.cache.searchList(), to);
  const std::optional<int>& maxDepth = scan.run.scanOptions.maxDepth;
  leaf = leaf || (maxDepth && depth >= *maxDepth);
  if (!registerNode(scan.run, node, content.path, label, parentId, leaf, memo)) return;
  if (!content.readable) {
    scan.run.warnings.warn(kMissingFileWarning, {content.path});
    return;
  }
  // Room for every child up front: the frame's node pointer and the children
  // being filled in place stay where they are.
  node.children.reserve(content.childDirectives);
  if (scan.run.fileFacts && !to.header->expanded)
    scan.run.headerTrail.expanded.push_back(to.header);
  to.header->expanded = true;
  scan.stack.push_back(Frame{&node, to.header, to.entry, depth});
}

bool matchesAny(const std::vector<std::string>& globs, std::string_view name,
                const std::string* path) {
  return std::any_of(globs.begin(), globs.end(), [&](const std::string& glob) {
    return globMatch(glob, name) || (path != nullptr && globMatch(glob, *path));
  });
}

// What the run's cuts make of a directive naming `name` that leads where
// `memo` says: a name or path matching an exclusion, or a system header
// under --system=hide, makes no node; one matching a leaf glob, or a system
// header under --system=leaf, a leaf. Whether it is a system header is
// decided by the entry of `searchList`, the list it was resolved through,
// that held it.
DirectiveMemo::Cut cutOf(const RunState& run, const SearchList& searchList, std::string_view name,
                         const DirectiveMemo& memo) {
  const ScanOptions& options = run.scanOptions;
  const std::string* path = memo.to.header != nullptr ? &memo.to.header->content->path : nullptr;
  const bool system = foundInSystemEntry(searchList, memo.to);
  if (matchesAny(options.excludeGlobs, name, path) ||
      (system && options.system == ScanOptions::System::kHide)) {
    return DirectiveMemo::Cut::kHidden;
  }
  if (matchesAny(options.leafGlobs, name, path) ||
      (system && options.system == ScanOptions::System::kLeaf)) {
    return DirectiveMemo::Cut::kLeaf;
  }
  return DirectiveMemo::Cut::kNone;
}

// Keeps where directive `index` of `header` led before it is resolved again
// for another entry: the file reports take a header's directives from its
// first expansion.
void keepFirstLead(ScannedHeader& header, std::size_t index) {
  std::vector<DirectiveLead>& leads = header.firstLeads;
  const bool kept = std::any_of(leads.begin(), leads.end(),
                                [&](const DirectiveLead& lead) { return lead.directive == index; });
  const DirectiveMemo& memo = header.directives[index];
  if (!kept) leads.push_back(DirectiveLead{index, memo.to, memo.cut});
}

// The commonest node by far, made without the general path of enterNode: a
// directive followed again under a parent its node's pair is known to be
// expanded under, whose node is no first sighting and stays a leaf, as
// registerNode would decide. Returns false for any other node, and always
// when the file reports need every node noted.
bool knownRepeat(const RunState& run, const DirectiveMemo& memo, std::int32_t parentId,
                 IncludeNode& node) {
  const ChildMemo& known = memo.child;
  if (known.id == 0 || known.expandedUnder != parentId || run.fileFacts) return false;
  node.label = known.label;
  node.id = known.id;
  node.missing = !memo.to.header->content->readable;
  return true;
}

// Follows the next directive of the innermost header.
void followNextDirective(Scan& scan) {
  Frame& top = scan.stack.back();
  const HeaderContent& content = *top.header->content;
  const std::size_t index = top.next++;
  const DirectiveText& directive = content.directives[index];
  if (directive.kind == IncludeDirective::Kind::kMalformed) {
    scan.run.warnings.warn(kMalformedLineWarning, {content.path, content.textOf(directive)});
    return;
  }
  DirectiveMemo& memo = top.header->directives[index];
  if (!holdsDestination(memo, directive.kind, top.entry)) {
    if (memo.resolved && scan.run.fileFacts) keepFirstLead(*top.header, index);
    scan.cache.resolve(*top.header, index, top.entry);
    if (scan.run.scanOptions.anyCut()) {
      memo.cut = cutOf(scan.run, scan.cache.searchList(), content.textOf(directive), memo);
    }
  }
  if (memo.cut == DirectiveMemo::Cut::kHidden) return;
  if (memo.to.header == nullptr) {
    scan.run.warnings.warn(kUnresolvedAngleWarning, {content.textOf(directive)});
    return;
  }
  IncludeNode& child = top.node->children.emplace_back();
  if (knownRepeat(scan.run, memo, top.node->id, child)) return;
  enterNode(scan, memo.to, child, content.labelOf(directive), top.node->id, top.depth + 1,
            memo.cut == DirectiveMemo::Cut::kLeaf, memo.child);
}

unsigned readerCount(const RunState& run) {
  if (run.readerThreads) return *run.readerThreads;
  // Reading waits on the disk when the files are not cached, and readers
  // beyond the cores keep more reads going at once; with cached files they
  // cost little.
  constexpr unsigned kReadersPerCore = 8;
  constexpr unsigned kMostReaders = 16;
  return std::clamp(kReadersPerCore * std::thread::hardware_concurrency(), 2u, kMostReaders);
}

// The run's cache for `searchList`, made on first use, with the run's store
// of contents. A run has few distinct search lists, mostly used in turn.
ScanCache& scanCacheFor(RunState& run, const SearchList& searchList) {
  if (!run.contentStore) {
    run.contentStore = std::make_unique<ContentStore>(readerCount(run), run.fileFacts);
  }
  for (const std::unique_ptr<ScanCache>& cache : run.scanCaches) {
    if (cache->searchList() == searchList) return *cache;
  }
  return *run.scanCaches.emplace_back(std::make_unique<ScanCache>(searchList, *run.contentStore));
}

void scanWith(RunState& run, ScanCache& cache, const std::string& path, IncludeNode& node,
              const std::string& label, const std::string& parentLabel) {
  const NodeIdRegistry::Entry* parent = run.nodeIdRegistry.find(parentLabel);
  const std::int32_t parentId = parent == nullptr ? 0 : parent->second;
  Scan scan{run, cache, {}};
  ChildMemo memo;
  const bool leaf = matchesAny(run.scanOptions.leafGlobs, path, nullptr);
  ScannedHeader& start = scan.cache.headerAt(path);
  run.startHeaders.push_back(&start);
  enterNode(scan, Destination{&start, kNoEntry}, node, label, parentId, 0, leaf, memo);
  // Like every read of the registry, reading the parent's id leaves a zero
  // entry for an unknown label, here only after the node's own first-sighting
  // check has looked.
  run.nodeIdRegistry.tryEmplace(parentLabel);
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

}  // namespace

void scanHeader(RunState& run, const std::string& path, IncludeNode& node, const std::string& label,
                const std::string& parentLabel) {
  scanWith(run, scanCacheFor(run, run.searchList), path, node, label, parentLabel);
}

void scanHeader(RunState& run, const SearchList& searchList, const std::string& path,
                IncludeNode& node) {
  scanWith(run, scanCacheFor(run, searchList), path, node, "", "");
}
