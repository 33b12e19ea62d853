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

// A label's entry in the registry. Entries stay in place while others are
// added, so the scan can hold on to them.
using RegistryEntry = NodeIdRegistry::value_type;

struct ScannedHeader;

// What one directive of a header leads to. A header path yields the same
// child paths and labels every time it is expanded, so this is worked out
// when the directive is first followed and reused by every later expansion.
struct DirectiveTarget {
  bool known = false;
  // The child's header; null for an angle-bracket name found nowhere.
  ScannedHeader* header = nullptr;
  // The registry entry of the child's label, once there is one.
  RegistryEntry* registryEntry = nullptr;
};

// One header path as the scan knows it. The file is read and parsed when the
// path is first expanded; only its directives are kept, never its bytes.
struct ScannedHeader {
  const std::string* path = nullptr;  // the key of this entry
  bool read = false;
  bool readable = false;  // false: missing, no regular file, or unreadable
  std::vector<IncludeDirective> directives;
  std::vector<DirectiveTarget> targets;  // one per directive
  std::size_t childDirectives = 0;       // quoted and angle-bracket ones
};

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
  // Angle-bracket name to the path it resolved to, or nothing when no system
  // include directory holds it.
  StringMap<std::optional<std::string>> angleNames;
  // Whether a system include directory holds a given subdirectory.
  StringMap<bool> subdirectories;
};

ScannedHeader& headerAt(Scan& scan, const std::string& path) {
  const auto [entry, added] = scan.headers.tryEmplace(path);
  if (added) entry->second.path = &entry->first;
  return entry->second;
}

const ScannedHeader& readOnce(Scan& scan, ScannedHeader& header) {
  if (header.read) return header;
  header.read = true;
  const std::optional<std::string_view> bytes = readHeaderFile(*header.path, scan.readBuffer);
  if (!bytes) return header;
  header.readable = true;
  header.directives = parseIncludeDirectives(*bytes);
  header.targets.resize(header.directives.size());
  for (const IncludeDirective& directive : header.directives) {
    if (directive.kind != IncludeDirective::Kind::kMalformed) ++header.childDirectives;
  }
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
bool mayHoldName(Scan& scan, const std::string& directory, const std::string& name) {
  const std::size_t separator = name.find_first_of("/\\");
  // Some systems resolve a parent step without looking at the directory
  // before it, so such names are always looked up whole.
  if (separator == std::string::npos || name.find("..") != std::string::npos) return true;
  const auto [entry, added] = scan.subdirectories.tryEmplace(directory + name.substr(0, separator));
  if (added) entry->second = isDirectory(entry->first);
  return entry->second;
}

// The first system include candidate for an angle-bracket name that is a
// readable regular file.
const std::optional<std::string>& resolveAngleName(Scan& scan, const std::string& name) {
  const auto [entry, added] = scan.angleNames.tryEmplace(name);
  if (!added) return entry->second;
  for (const std::string& directory : runState().systemIncludeDirs) {
    if (!mayHoldName(scan, directory, name)) continue;
    ScannedHeader& candidate = headerAt(scan, directory + name);
    if (readOnce(scan, candidate).readable) {
      entry->second = *candidate.path;
      break;
    }
  }
  return entry->second;
}

void resolveTarget(Scan& scan, const ScannedHeader& header, const IncludeDirective& directive,
                   DirectiveTarget& target) {
  target.known = true;
  if (directive.kind == IncludeDirective::Kind::kQuoted) {
    target.header = &headerAt(scan, directoryPrefix(*header.path) + directive.text);
    return;
  }
  const std::optional<std::string>& path = resolveAngleName(scan, directive.text);
  if (path) target.header = &headerAt(scan, *path);
}

// Sets the node's label and first-sighting flag and returns its registry
// entry. `remembered` is the entry found for this label before, if any; it is
// filled in for later calls.
RegistryEntry& labelNode(IncludeNode& node, const std::string& path, const std::string& label,
                         RegistryEntry*& remembered) {
  if (remembered != nullptr) {
    node.label = label;
    node.firstSighting = false;
    return *remembered;
  }
  NodeIdRegistry& registry = runState().nodeIdRegistry;
  // A nameless directive's node is known by its path, but whether it is a
  // first sighting still depends on the empty label.
  const bool nameless = label.empty();
  if (nameless) node.firstSighting = registry.count(label) == 0;
  node.label = nameless ? path : label;
  // An unknown label gets a zero entry on purpose: a later node under that
  // label is then no first sighting.
  const auto [entry, added] = registry.try_emplace(node.label, 0);
  if (nameless) return *entry;
  node.firstSighting = added;
  remembered = &*entry;
  return *entry;
}

// Gives the node its id and claims its (parent, node) pair. Returns the id
// when the pair is new, so the node is to be expanded, and nothing when it
// was expanded before, so the node stays a leaf.
std::optional<std::int32_t> claimPair(RegistryEntry& entry, std::int32_t parentId) {
  RunState& state = runState();
  const std::int32_t id = entry.second != 0 ? entry.second : state.nextNodeId++;
  if (!state.expandedPairs.insert(PairKey(parentId, id))) return std::nullopt;
  entry.second = id;
  return id;
}

// Registers the node and, when it is to be expanded and its file can be read,
// pushes a frame for its directives.
void enterNode(Scan& scan, ScannedHeader& header, IncludeNode& node, const std::string& label,
               std::int32_t parentId, RegistryEntry*& rememberedEntry) {
  RegistryEntry& entry = labelNode(node, *header.path, label, rememberedEntry);
  const std::optional<std::int32_t> id = claimPair(entry, parentId);
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
  const std::size_t index = top.next++;
  const IncludeDirective& directive = header.directives[index];
  if (directive.kind == IncludeDirective::Kind::kMalformed) {
    warn(kMalformedLineWarning, {*header.path, directive.text});
    return;
  }
  DirectiveTarget& target = header.targets[index];
  if (!target.known) resolveTarget(scan, header, directive, target);
  if (target.header == nullptr) {
    warn(kUnresolvedAngleWarning, {directive.text});
    return;
  }
  IncludeNode& child = top.node->children.emplace_back();
  enterNode(scan, *target.header, child, directive.label, top.id, target.registryEntry);
}

}  // namespace

void scanHeader(const std::string& path, IncludeNode& node, const std::string& label,
                const std::string& parentLabel) {
  NodeIdRegistry& registry = runState().nodeIdRegistry;
  const auto parent = registry.find(parentLabel);
  const std::int32_t parentId = parent == registry.end() ? 0 : parent->second;
  Scan scan;
  RegistryEntry* rootEntry = nullptr;
  enterNode(scan, headerAt(scan, path), node, label, parentId, rootEntry);
  // Like every read of the registry, reading the parent's id leaves a zero
  // entry for an unknown label, here only after the node's own first-sighting
  // check has looked.
  registry.try_emplace(parentLabel, 0);
  while (!scan.stack.empty()) {
    const Frame& top = scan.stack.back();
    if (top.next == top.header->directives.size()) {
      scan.stack.pop_back();
    } else {
      followNextDirective(scan);
    }
  }
}
