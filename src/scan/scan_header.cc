#include "scan/scan_header.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <iostream>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "scan/claim_filter.h"
#include "scan/header_content.h"
#include "scan/header_file.h"
#include "scan/include_directive.h"
#include "scan/once_map.h"
#include "scan/worker_pool.h"
#include "util/string_map.h"
#include "util/text_format.h"

namespace {

void warn(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string line;
  appendFormat(line, format, args);
  std::ostream& out = runState().warnings != nullptr ? *runState().warnings : std::cout;
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

struct ScannedHeader;

// What the scan remembers of the nodes one directive has made, so that its
// later nodes skip the registry and mostly the expanded pairs too.
struct ChildMemo {
  // The id registered for the child's label, once there is one. A label
  // keeps its id for the rest of the run.
  std::int32_t id = 0;
  // A parent id whose pair with `id` is known to be expanded, or 0. A
  // header is mostly expanded again under the same label and so meets the
  // same pairs again.
  std::int32_t expandedUnder = 0;
  // The child's label, valid when `id` is.
  Label label;
};

// Where one directive of a header leads. A header path yields the same
// child paths and labels every time it is expanded, so this is worked out
// when the directive is first followed and reused by every later expansion.
struct DirectiveMemo {
  bool resolved = false;
  // The child's header; null for an angle-bracket name found nowhere.
  ScannedHeader* header = nullptr;
  ChildMemo child;
};

// One header path as the scan knows it: its content, and one memo per
// directive.
struct ScannedHeader {
  const HeaderContent* content = nullptr;
  std::vector<DirectiveMemo> directives;
};

// One header being expanded, and how far its directives have been followed.
struct Frame {
  IncludeNode* node;
  std::int32_t id;
  ScannedHeader* header;
  std::size_t next = 0;
};

// A directive that a reader thread follows ahead of the scan.
struct ReadAheadTask {
  const HeaderContent* includer;
  std::size_t directive;
};

// Everything one scan keeps while it runs. Files are taken not to change
// while a run reads them, so a file's content and where a name leads are
// the same whenever and on whichever thread they are worked out.
struct Scan {
  const SystemIncludeDirs& systemIncludeDirs = runState().systemIncludeDirs;
  // Innermost header last. An explicit stack, so that nesting depth costs
  // heap, not call stack.
  std::vector<Frame> stack;
  // One per content, which stands for its path; made in place and never
  // moved.
  std::deque<ScannedHeader> headers;
  // By content number; null for a content the scan has not reached.
  std::vector<ScannedHeader*> headerByNumber;
  // Angle-bracket name to its header; null when no directory holds it.
  StringMap<ScannedHeader*> angleHeaders;
  // Shared with the reader threads from here on.
  // Header path to the header's content.
  OnceMap<HeaderContent> contents;
  // How many contents have been read, which numbers the next one.
  std::atomic<std::size_t> contentCount{0};
  // Name to the content of the first file the include directories hold
  // under it; null when none holds one.
  OnceMap<const HeaderContent*> searchedNames;
  // Directory component to which include directories hold a subdirectory
  // of that name, one flag per entry of the search list.
  OnceMap<std::vector<bool>> componentHolders;
  // Angle-bracket names a reader has set out to follow.
  ClaimFilter followedNames;
  // The threads following directives ahead; set while the scan runs.
  WorkerPool<ReadAheadTask>* readers = nullptr;
};

ScannedHeader& headerOf(Scan& scan, const HeaderContent& content) {
  if (content.number >= scan.headerByNumber.size()) {
    scan.headerByNumber.resize(content.number + 1, nullptr);
  }
  ScannedHeader*& header = scan.headerByNumber[content.number];
  if (header == nullptr) {
    header = &scan.headers.emplace_back();
    header->content = &content;
    header->directives.resize(content.directives.size());
  }
  return *header;
}

void readAhead(Scan& scan, const HeaderContent& content);

// The content of the header at `path`, read by the first thread that needs
// it.
const HeaderContent& readOnce(Scan& scan, const std::string& path) {
  bool readHere = false;
  const HeaderContent& content = scan.contents.get(
      path,
      [&] {
        HeaderContent read = readHeaderContent(path);
        read.number = scan.contentCount++;
        return read;
      },
      &readHere);
  if (readHere) readAhead(scan, content);
  return content;
}

// The path of `name` beside the header at `includerPath`: each directory
// component of the includer's path (every '/' or '\' ends one, possibly
// empty; the file name is not one) followed by '/', then the name.
// "a\b/c.h" and "d.h" give "a/b/d.h"; "/x/y.h" and "d.h" give "/x/d.h".
std::string pathBeside(std::string_view includerPath, std::string_view name) {
  const std::string_view directories = includerPath.substr(0, includerPath.find_last_of("/\\") + 1);
  std::string path;
  path.reserve(directories.size() + name.size());
  path.append(directories);
  std::replace(path.begin(), path.end(), '\\', '/');
  path.append(name);
  return path;
}

// Which include directories may hold `name`, one flag per entry of the
// search list, or null when every one may. A directory lacking the name's
// first directory component cannot hold it. Most candidates fail that way
// (a library's own subdirectory sits in one include directory only), and one
// look per directory at a component, remembered, settles every name below
// it.
const std::vector<bool>* directoriesThatMayHold(Scan& scan, std::string_view name) {
  const std::size_t separator = name.find_first_of("/\\");
  // Some systems resolve a parent step without looking at the directory
  // before it, so such names are always looked up whole.
  if (separator == std::string::npos || name.find("..") != std::string::npos) return nullptr;
  const std::string_view component = name.substr(0, separator);
  return &scan.componentHolders.get(component, [&] {
    std::vector<bool> holds;
    holds.reserve(scan.systemIncludeDirs.size());
    for (const std::string& directory : scan.systemIncludeDirs) {
      holds.push_back(isDirectory(directory + std::string(component)));
    }
    return holds;
  });
}

// The first entry of the search list that, followed by `name`, gives a
// readable regular file: that file's content, or null.
const HeaderContent* searchIncludeDirs(Scan& scan, std::string_view name) {
  return scan.searchedNames.get(name, [&]() -> const HeaderContent* {
    const std::vector<bool>* mayHold = directoriesThatMayHold(scan, name);
    // One string for every candidate, kept from search to search: most
    // names are tried in several directories, and every search allocating
    // its own added to the readers' contention for the heap.
    static thread_local std::string candidate;
    for (std::size_t i = 0; i < scan.systemIncludeDirs.size(); ++i) {
      if (mayHold != nullptr && !(*mayHold)[i]) continue;
      candidate.assign(scan.systemIncludeDirs[i]).append(name);
      const HeaderContent& content = readOnce(scan, candidate);
      if (content.readable) return &content;
    }
    return nullptr;
  });
}

// A quoted name is looked up next to its includer first. Only where no
// readable file is there are the include directories searched, and where
// they hold none either the includer's path stands, so that the missing-file
// warning names it.
const HeaderContent& resolveQuotedName(Scan& scan, const HeaderContent& includer,
                                       std::string_view name) {
  const std::string besideIncluder = pathBeside(includer.path, name);
  const HeaderContent& beside = readOnce(scan, besideIncluder);
  if (beside.readable || scan.systemIncludeDirs.empty()) return beside;
  const HeaderContent* found = searchIncludeDirs(scan, name);
  return found != nullptr ? *found : beside;
}

// The content of the header a directive leads to, or null for an
// angle-bracket name that the include directories do not hold.
const HeaderContent* childContent(Scan& scan, const HeaderContent& includer,
                                  const DirectiveText& directive) {
  const std::string_view name = includer.textOf(directive);
  if (directive.kind == IncludeDirective::Kind::kQuoted) {
    return &resolveQuotedName(scan, includer, name);
  }
  return searchIncludeDirs(scan, name);
}

void resolveDirective(Scan& scan, const HeaderContent& includer, const DirectiveText& directive,
                      DirectiveMemo& memo) {
  memo.resolved = true;
  ScannedHeader** header = &memo.header;
  if (directive.kind == IncludeDirective::Kind::kAngle) {
    // Names recur across headers; the scan keeps its own copy of where each
    // led, which it reads without taking the shared memo's lock.
    const auto [entry, added] = scan.angleHeaders.tryEmplace(includer.textOf(directive));
    if (!added) {
      memo.header = entry->second;
      return;
    }
    header = &entry->second;
  }
  const HeaderContent* child = childContent(scan, includer, directive);
  if (child != nullptr) *header = &headerOf(scan, *child);
  memo.header = *header;
}

// Sets the node's label and first-sighting flag and returns the registry's
// value for the node's label.
std::int32_t& registerLabel(IncludeNode& node, const std::string& path, std::string_view label) {
  NodeIdRegistry& registry = runState().nodeIdRegistry;
  // A nameless directive's node is known by its path, but whether it is a
  // first sighting still depends on the empty label.
  const bool nameless = label.empty();
  if (nameless) node.firstSighting = registry.find(label) == nullptr;
  node.label = nameless ? Label(path) : Label(label);
  // An unknown label gets a zero entry on purpose: a later node under that
  // label is then no first sighting.
  const auto [entry, added] = registry.tryEmplace(node.label);
  if (!nameless) node.firstSighting = added;
  return entry->second;
}

// The node's id: its label's registered id, or else the next new one.
// Returns it when the (parent, node) pair is new, so the node is to be
// expanded, and nothing when the pair was expanded before, so the node
// stays a leaf.
std::optional<std::int32_t> claimPair(std::int32_t registeredId, std::int32_t parentId) {
  RunState& state = runState();
  const std::int32_t id = registeredId != 0 ? registeredId : state.nextNodeId++;
  if (!state.expandedPairs.insert(PairKey(parentId, id))) return std::nullopt;
  return id;
}

// Registers the node and claims its pair, using and filling in what `memo`
// knows from earlier nodes of the same directive. Returns the node's id when
// it is to be expanded.
std::optional<std::int32_t> registerNode(IncludeNode& node, const std::string& path,
                                         std::string_view label, std::int32_t parentId,
                                         ChildMemo& memo) {
  if (memo.id != 0) {
    node.label = memo.label;
    node.firstSighting = false;
    if (memo.expandedUnder == parentId) return std::nullopt;
    memo.expandedUnder = parentId;
    return claimPair(memo.id, parentId);
  }
  std::int32_t& registered = registerLabel(node, path, label);
  const std::optional<std::int32_t> id = claimPair(registered, parentId);
  if (id) registered = *id;
  if (!label.empty()) memo = ChildMemo{registered, parentId, node.label};
  return id;
}

// Registers the node and, when it is to be expanded and its file can be read,
// pushes a frame for its directives.
void enterNode(Scan& scan, ScannedHeader& header, IncludeNode& node, std::string_view label,
               std::int32_t parentId, ChildMemo& memo) {
  const HeaderContent& content = *header.content;
  const std::optional<std::int32_t> id = registerNode(node, content.path, label, parentId, memo);
  if (!id) return;
  if (!content.readable) {
    warn(kMissingFileWarning, {content.path});
    return;
  }
  // Room for every child up front: the frame's node pointer and the children
  // being filled in place stay where they are.
  node.children.reserve(content.childDirectives);
  scan.stack.push_back(Frame{&node, *id, &header});
}

// Follows the next directive of the innermost header.
void followNextDirective(Scan& scan) {
  Frame& top = scan.stack.back();
  const HeaderContent& content = *top.header->content;
  const std::size_t index = top.next++;
  const DirectiveText& directive = content.directives[index];
  if (directive.kind == IncludeDirective::Kind::kMalformed) {
    warn(kMalformedLineWarning, {content.path, content.textOf(directive)});
    return;
  }
  DirectiveMemo& memo = top.header->directives[index];
  if (!memo.resolved) resolveDirective(scan, content, directive, memo);
  if (memo.header == nullptr) {
    warn(kUnresolvedAngleWarning, {content.textOf(directive)});
    return;
  }
  IncludeNode& child = top.node->children.emplace_back();
  enterNode(scan, *memo.header, child, content.labelOf(directive), top.id, memo.child);
}

// Reading ahead: once a header has been read, reader threads follow its
// directives in order, resolving names and reading the headers they lead to,
// which queues those headers' directives in turn. The scan then mostly finds
// a header read by the time it reaches it; where it does not, it reads the
// header itself or waits for the reader already at it. Reading ahead may
// read headers the scan never expands, but it changes nothing the scan
// sees: contents and resolved names are the same whoever works them out.

unsigned readerCount() {
  if (runState().readerThreads) return *runState().readerThreads;
  // Reading waits on the disk when the files are not cached, and readers
  // beyond the cores keep more reads going at once; with cached files they
  // cost little.
  constexpr unsigned kReadersPerCore = 8;
  constexpr unsigned kMostReaders = 16;
  return std::clamp(kReadersPerCore * std::thread::hardware_concurrency(), 2u, kMostReaders);
}

std::uint64_t nameHash(const HeaderContent& includer, const DirectiveText& directive) {
  return StringMap<char>::hashOf(includer.textOf(directive));
}

// Most angle-bracket names come up again and again (a library's
// configuration header is included by most of its headers): once a reader
// has claimed a name, the others leave it, without a look at the shared map
// and its lock. A collision in the filter merely leaves a header for the
// scan to read itself.
bool claimedByReader(Scan& scan, const HeaderContent& includer, const DirectiveText& directive) {
  return directive.kind == IncludeDirective::Kind::kAngle &&
         scan.followedNames.claimed(nameHash(includer, directive));
}

void readAhead(Scan& scan, const HeaderContent& content) {
  // One task per directive still to follow, taken newest first: the readers
  // then go depth first through the headers, in the order the scan will
  // want them. The list is kept from call to call, as it is made for every
  // header read.
  static thread_local std::vector<ReadAheadTask> tasks;
  tasks.clear();
  for (std::size_t i = 0; i < content.directives.size(); ++i) {
    const DirectiveText& directive = content.directives[i];
    if (directive.kind != IncludeDirective::Kind::kMalformed &&
        !claimedByReader(scan, content, directive)) {
      tasks.push_back(ReadAheadTask{&content, i});
    }
  }
  scan.readers->push(tasks);
}

void runReadAheadTask(Scan& scan, const ReadAheadTask& task) {
  const HeaderContent& includer = *task.includer;
  const DirectiveText& directive = includer.directives[task.directive];
  // Names are claimed when followed rather than when queued, so that the
  // occurrence the readers reach first, which is mostly the one the scan
  // reaches first, is the one followed.
  if (directive.kind == IncludeDirective::Kind::kAngle &&
      !scan.followedNames.claim(nameHash(includer, directive))) {
    return;
  }
  childContent(scan, includer, directive);
}

}  // namespace

void scanHeader(const std::string& path, IncludeNode& node, const std::string& label,
                const std::string& parentLabel) {
  NodeIdRegistry& registry = runState().nodeIdRegistry;
  const NodeIdRegistry::Entry* parent = registry.find(parentLabel);
  const std::int32_t parentId = parent == nullptr ? 0 : parent->second;
  // Freed when the next scan starts rather than now: freeing its tables one
  // allocation at a time would cost a tenth of the scan, and the driver
  // scans once and leaves them to the process exit. Held by a static
  // pointer, they stay reachable for leak checkers.
  static Scan* previous = nullptr;
  delete previous;
  previous = new Scan();
  Scan& scan = *previous;
  // Stops its threads before scanHeader returns.
  WorkerPool<ReadAheadTask> readers(
      readerCount(), [&scan](const ReadAheadTask& task) { runReadAheadTask(scan, task); });
  scan.readers = &readers;
  ChildMemo rootMemo;
  enterNode(scan, headerOf(scan, readOnce(scan, path)), node, label, parentId, rootMemo);
  // Like every read of the registry, reading the parent's id leaves a zero
  // entry for an unknown label, here only after the node's own first-sighting
  // check has looked.
  registry.tryEmplace(parentLabel);
  while (!scan.stack.empty()) {
    const Frame& top = scan.stack.back();
    if (top.next == top.header->directives.size()) {
      scan.stack.pop_back();
    } else {
      followNextDirective(scan);
    }
  }
}
