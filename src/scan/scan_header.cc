#include "scan/scan_header.h"

#include <iostream>
#include <optional>
#include <utility>

#include "scan/header_file.h"
#include "scan/include_directive.h"
#include "scan/string_map.h"
#include "scan/text_format.h"

DirectoryList directoryList(std::string_view path) {
  DirectoryList directories;
  std::string component;
  for (const char c : path) {
    if (c == '/' || c == '\\') {
      directories.push_back(std::move(component));
      component.clear();
    } else {
      component.push_back(c);
    }
  }
  return directories;
}

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

// One directive of a scanned header. Its texts live in the header's text
// block. A header path yields the same child paths and labels every time it
// is expanded, so where the directive leads is worked out when it is first
// followed and reused by every later expansion.
struct HeaderDirective {
  IncludeDirective::Kind kind;
  std::size_t textStart, textSize;    // IncludeDirective::text
  std::size_t labelStart, labelSize;  // IncludeDirective::label
  bool resolved = false;
  // The child's header; null for an angle-bracket name found nowhere.
  ScannedHeader* header = nullptr;
  ChildMemo child;
};

// One header path as the scan knows it. The file is read and parsed when the
// path is first expanded; only its directives are kept, never its bytes, and
// in two blocks per header rather than many small strings.
struct ScannedHeader {
  const std::string* path = nullptr;  // the key of this entry
  bool read = false;
  bool readable = false;  // false: missing, no regular file, or unreadable
  std::string texts;
  std::vector<HeaderDirective> directives;
  std::size_t childDirectives = 0;  // quoted and angle-bracket ones
};

std::string_view textOf(const ScannedHeader& header, const HeaderDirective& directive) {
  return std::string_view(header.texts).substr(directive.textStart, directive.textSize);
}

std::string_view labelOf(const ScannedHeader& header, const HeaderDirective& directive) {
  return std::string_view(header.texts).substr(directive.labelStart, directive.labelSize);
}

// One header being expanded, and how far its directives have been followed.
struct Frame {
  IncludeNode* node;
  std::int32_t id;
  ScannedHeader* header;
  std::size_t next = 0;
};

// Everything one scan keeps while it runs. Files are taken not to change
// while a run reads them.
struct Scan {
  // Innermost header last. An explicit stack, so that nesting depth costs
  // heap, not call stack.
  std::vector<Frame> stack;
  StringMap<ScannedHeader> headers;
  std::string readBuffer;  // shared by every file read
  // Name to the path the include directories resolve it to, or nothing when
  // none holds it.
  StringMap<std::optional<std::string>> searchedNames;
  // Whether an include directory holds a given subdirectory.
  StringMap<bool> subdirectories;
};

ScannedHeader& headerAt(Scan& scan, const std::string& path) {
  const auto [entry, added] = scan.headers.tryEmplace(path);
  if (added) entry->second.path = &entry->first;
  return entry->second;
}

void keepDirective(ScannedHeader& header, const IncludeDirective& directive) {
  HeaderDirective& kept = header.directives.emplace_back();
  kept.kind = directive.kind;
  kept.textStart = header.texts.size();
  kept.textSize = directive.text.size();
  header.texts += directive.text;
  // A quoted name is its own label.
  if (directive.label != directive.text) header.texts += directive.label;
  kept.labelStart = header.texts.size() - directive.label.size();
  kept.labelSize = directive.label.size();
  if (directive.kind != IncludeDirective::Kind::kMalformed) ++header.childDirectives;
}

const ScannedHeader& readOnce(Scan& scan, ScannedHeader& header) {
  if (header.read) return header;
  header.read = true;
  const std::optional<std::string_view> bytes = readHeaderFile(*header.path, scan.readBuffer);
  if (!bytes) return header;
  header.readable = true;
  forEachIncludeDirective(
      *bytes, [&](const IncludeDirective& directive) { keepDirective(header, directive); });
  return header;
}

std::string directoryPrefix(std::string_view path) {
  std::string prefix;
  for (const std::string& directory : directoryList(path)) {
    prefix += directory;
    prefix += '/';
  }
  return prefix;
}

// False when `directory` cannot hold `name` because it lacks the name's first
// directory component. Most candidates fail that way (a library's own
// subdirectory sits in one system directory only), and one look at the
// subdirectory, remembered, settles every name below it.
bool mayHoldName(Scan& scan, const std::string& directory, std::string_view name) {
  const std::size_t separator = name.find_first_of("/\\");
  // Some systems resolve a parent step without looking at the directory
  // before it, so such names are always looked up whole.
  if (separator == std::string::npos || name.find("..") != std::string::npos) return true;
  std::string subdirectory = directory;
  subdirectory += name.substr(0, separator);
  const auto [entry, added] = scan.subdirectories.tryEmplace(subdirectory);
  if (added) entry->second = isDirectory(subdirectory);
  return entry->second;
}

// The first entry of the search list that, followed by `name`, gives a
// readable regular file: that path, or nothing.
const std::optional<std::string>& searchIncludeDirs(Scan& scan, std::string_view name) {
  const auto [entry, added] = scan.searchedNames.tryEmplace(name);
  if (!added) return entry->second;
  for (const std::string& directory : runState().systemIncludeDirs) {
    if (!mayHoldName(scan, directory, name)) continue;
    std::string candidatePath = directory;
    candidatePath += name;
    ScannedHeader& candidate = headerAt(scan, candidatePath);
    if (readOnce(scan, candidate).readable) {
      entry->second = std::move(candidatePath);
      break;
    }
  }
  return entry->second;
}

// A quoted name is looked up next to its includer first. Only where no
// readable file is there are the include directories searched, and where
// they hold none either the includer's path stands, so that the missing-file
// warning names it.
ScannedHeader& resolveQuotedName(Scan& scan, const ScannedHeader& includer, std::string_view name) {
  std::string besideIncluder = directoryPrefix(*includer.path);
  besideIncluder += name;
  ScannedHeader& header = headerAt(scan, besideIncluder);
  if (runState().systemIncludeDirs.empty() || readOnce(scan, header).readable) return header;
  const std::optional<std::string>& found = searchIncludeDirs(scan, name);
  return found ? headerAt(scan, *found) : header;
}

void resolveDirective(Scan& scan, const ScannedHeader& header, HeaderDirective& directive) {
  directive.resolved = true;
  const std::string_view name = textOf(header, directive);
  if (directive.kind == IncludeDirective::Kind::kQuoted) {
    directive.header = &resolveQuotedName(scan, header, name);
    return;
  }
  const std::optional<std::string>& path = searchIncludeDirs(scan, name);
  if (path) directive.header = &headerAt(scan, *path);
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
  const std::optional<std::int32_t> id = registerNode(node, *header.path, label, parentId, memo);
  if (!id) return;
  if (!readOnce(scan, header).readable) {
    warn(kMissingFileWarning, {*header.path});
    return;
  }
  // Room for every child up front: the frame's node pointer and the children
  // being filled in place stay where they are.
  node.children.reserve(header.childDirectives);
  scan.stack.push_back(Frame{&node, *id, &header});
}

// Follows the next directive of the innermost header.
void followNextDirective(Scan& scan) {
  Frame& top = scan.stack.back();
  ScannedHeader& header = *top.header;
  HeaderDirective& directive = header.directives[top.next++];
  if (directive.kind == IncludeDirective::Kind::kMalformed) {
    warn(kMalformedLineWarning, {*header.path, textOf(header, directive)});
    return;
  }
  if (!directive.resolved) resolveDirective(scan, header, directive);
  if (directive.header == nullptr) {
    warn(kUnresolvedAngleWarning, {textOf(header, directive)});
    return;
  }
  IncludeNode& child = top.node->children.emplace_back();
  enterNode(scan, *directive.header, child, labelOf(header, directive), top.id, directive.child);
}

}  // namespace

void scanHeader(const std::string& path, IncludeNode& node, const std::string& label,
                const std::string& parentLabel) {
  NodeIdRegistry& registry = runState().nodeIdRegistry;
  const NodeIdRegistry::Entry* parent = registry.find(parentLabel);
  const std::int32_t parentId = parent == nullptr ? 0 : parent->second;
  Scan scan;
  ChildMemo rootMemo;
  enterNode(scan, headerAt(scan, path), node, label, parentId, rootMemo);
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
