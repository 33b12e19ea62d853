#include "scan/scan_header.h"

#include <iostream>
#include <optional>
#include <utility>

#include "scan/header_file.h"
#include "scan/include_directive.h"
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

// Sets the node's flag, label and id, and claims its (parent, node) pair.
// Returns false when that pair was expanded before, so the node stays a leaf.
bool registerNode(IncludeNode& node, const std::string& path, const std::string& label,
                  const std::string& parentLabel) {
  RunState& state = runState();
  NodeIdRegistry& registry = state.nodeIdRegistry;
  node.firstSighting = registry.find(label) == registry.end();
  node.label = label.empty() ? path : label;
  // Reading through operator[] leaves a zero entry for an unknown label on
  // purpose: a later node under that label is then no first sighting.
  std::int32_t id = registry[node.label];
  if (id == 0) id = state.nextNodeId++;
  const PairKeyValue key = PairKey(registry[parentLabel], id);
  if (!state.expandedPairs.insert(key).second) return false;
  registry[node.label] = id;
  return true;
}

// One header being expanded: its directives and how far they have been
// followed.
struct Frame {
  IncludeNode* node;
  std::string directoryPrefix;  // each DirectoryList entry followed by '/'
  std::string path;
  std::vector<IncludeDirective> directives;
  std::size_t next = 0;
};

std::string directoryPrefix(std::string_view path) {
  std::string prefix;
  for (const std::string& directory : directoryList(path)) {
    prefix += directory;
    prefix += '/';
  }
  return prefix;
}

// The first system include candidate for an angle-bracket name that is a
// readable regular file.
std::optional<std::string> resolveAngleName(const std::string& name) {
  for (const std::string& directory : runState().systemIncludeDirs) {
    std::string candidate = directory + name;
    if (isReadableRegularFile(candidate)) return candidate;
  }
  return std::nullopt;
}

// Registers the node and, when it is to be expanded and its file can be read,
// pushes a frame for its directives. The frames form an explicit stack so
// that nesting depth costs heap, not call stack.
void enterNode(std::vector<Frame>& stack, const std::string& path, IncludeNode& node,
               const std::string& label, const std::string& parentLabel) {
  if (!registerNode(node, path, label, parentLabel)) return;
  std::string bytes;
  if (!readHeaderFile(path, bytes)) {
    warn(kMissingFileWarning, {path});
    return;
  }
  stack.push_back(Frame{&node, directoryPrefix(path), path, parseIncludeDirectives(bytes)});
}

// Follows one directive of the innermost header.
void followDirective(std::vector<Frame>& stack, const IncludeDirective& directive) {
  IncludeNode& parent = *stack.back().node;
  switch (directive.kind) {
    case IncludeDirective::Kind::kMalformed:
      warn(kMalformedLineWarning, {stack.back().path, directive.text});
      return;
    case IncludeDirective::Kind::kQuoted: {
      const std::string childPath = stack.back().directoryPrefix + directive.text;
      // The child is filled in place; the parent gains no other child until
      // the child's whole subtree is done, so the reference stays valid.
      IncludeNode& child = parent.children.emplace_back();
      enterNode(stack, childPath, child, directive.label, parent.label);
      return;
    }
    case IncludeDirective::Kind::kAngle: {
      const std::optional<std::string> childPath = resolveAngleName(directive.text);
      if (!childPath) {
        warn(kUnresolvedAngleWarning, {directive.text});
        return;
      }
      IncludeNode& child = parent.children.emplace_back();
      enterNode(stack, *childPath, child, directive.label, parent.label);
      return;
    }
  }
}

}  // namespace

void scanHeader(const std::string& path, IncludeNode& node, const std::string& label,
                const std::string& parentLabel) {
  std::vector<Frame> stack;
  enterNode(stack, path, node, label, parentLabel);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.directives.size()) {
      stack.pop_back();
      continue;
    }
    // The directive lives in the frame's vector buffer, which stays put even
    // when the stack grows and moves the frame.
    const IncludeDirective& directive = top.directives[top.next++];
    followDirective(stack, directive);
  }
}
