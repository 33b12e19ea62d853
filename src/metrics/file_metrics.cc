#include "metrics/file_metrics.h"

#include <algorithm>
#include <functional>
#include <future>

namespace {

// A graph in compressed rows: the successors of node n are
// targets[start[n]] .. targets[start[n + 1] - 1].
struct Rows {
  std::vector<std::size_t> start{0};
  std::vector<std::size_t> targets;
  std::size_t size() const { return start.size() - 1; }
  const std::size_t* begin(std::size_t node) const { return targets.data() + start[node]; }
  const std::size_t* end(std::size_t node) const { return targets.data() + start[node + 1]; }
};

void add(FileTotals& sum, const FileTotals& more) {
  sum.files += more.files;
  sum.bytes += more.bytes;
  sum.lines += more.lines;
}

// The target of every directive, file by file in directive order: the
// searches below walk these instead of the directives with their names.
Rows directiveTargets(const FileGraph& graph) {
  Rows targets;
  targets.start.reserve(graph.files.size() + 1);
  for (const FileRecord& file : graph.files) {
    for (const FileDirective& directive : file.directives)
      targets.targets.push_back(directive.file);
    targets.start.push_back(targets.targets.size());
  }
  return targets;
}

// includes and includedBy.
void countIncludes(const Rows& targets, std::vector<FileMetrics>& metrics) {
  std::vector<std::size_t> seenFrom(targets.size(), kNoIndex);
  for (std::size_t file = 0; file < targets.size(); ++file) {
    for (const std::size_t* target = targets.begin(file); target != targets.end(file); ++target) {
      if (seenFrom[*target] == file) continue;
      seenFrom[*target] = file;
      metrics[file].includes.push_back(*target);
      ++metrics[*target].includedBy;
    }
  }
}

// Tarjan's strongly connected components with an explicit stack, since
// include chains can be as deep as there are files. Each file gets the
// number of its component; a component is numbered only after every
// component it reaches, so edges between components go from higher to
// lower numbers. Returns the number of components.
std::size_t findComponents(const Rows& targets, std::vector<std::size_t>& component) {
  const std::size_t count = targets.size();
  std::vector<std::size_t> order(count, kNoIndex);
  std::vector<std::size_t> low(count);
  std::vector<std::size_t> open;  // visited files not yet in a component
  struct Frame {
    std::size_t file, next;
  };
  std::vector<Frame> frames;
  std::size_t visited = 0;
  std::size_t components = 0;
  component.assign(count, kNoIndex);
  auto enter = [&](std::size_t file) {
    order[file] = low[file] = visited++;
    open.push_back(file);
    frames.push_back({file, targets.start[file]});
  };
  for (std::size_t start = 0; start < count; ++start) {
    if (order[start] != kNoIndex) continue;
    enter(start);
    while (!frames.empty()) {
      const std::size_t file = frames.back().file;
      if (frames.back().next < targets.start[file + 1]) {
        const std::size_t target = targets.targets[frames.back().next++];
        if (order[target] == kNoIndex) {
          enter(target);
        } else if (component[target] == kNoIndex) {
          low[file] = std::min(low[file], order[target]);
        }
        continue;
      }
      frames.pop_back();
      if (!frames.empty()) low[frames.back().file] = std::min(low[frames.back().file], low[file]);
      if (low[file] != order[file]) continue;
      std::size_t member = kNoIndex;
      while (member != file) {
        member = open.back();
        open.pop_back();
        component[member] = components;
      }
      ++components;
    }
  }
  return components;
}

// The members of each component, in file order.
Rows componentMembers(const std::vector<std::size_t>& component, std::size_t components) {
  Rows members;
  members.start.assign(components + 1, 0);
  for (std::size_t c : component) ++members.start[c + 1];
  for (std::size_t c = 0; c < components; ++c) members.start[c + 1] += members.start[c];
  members.targets.resize(component.size());
  std::vector<std::size_t> fill(members.start.begin(), members.start.end() - 1);
  for (std::size_t file = 0; file < component.size(); ++file) {
    members.targets[fill[component[file]]++] = file;
  }
  return members;
}

// The distinct components each component's directives lead to, other than
// itself, highest number first.
Rows componentEdges(const Rows& targets, const std::vector<std::size_t>& component,
                    const Rows& members) {
  Rows edges;
  std::vector<std::size_t> seenFrom(members.size(), kNoIndex);
  for (std::size_t c = 0; c < members.size(); ++c) {
    seenFrom[c] = c;
    for (const std::size_t* file = members.begin(c); file != members.end(c); ++file) {
      for (const std::size_t* to = targets.begin(*file); to != targets.end(*file); ++to) {
        const std::size_t target = component[*to];
        if (seenFrom[target] == c) continue;
        seenFrom[target] = c;
        edges.targets.push_back(target);
      }
    }
    std::sort(edges.targets.begin() + static_cast<std::ptrdiff_t>(edges.start.back()),
              edges.targets.end(), std::greater<>());
    edges.start.push_back(edges.targets.size());
  }
  return edges;
}

// The same graph with every edge turned round and the nodes renumbered
// from the other end, so that edges again go from higher to lower numbers.
Rows reversed(const Rows& edges) {
  const std::size_t count = edges.size();
  Rows back;
  back.start.assign(count + 1, 0);
  for (std::size_t target : edges.targets) ++back.start[count - target];
  for (std::size_t node = 0; node < count; ++node) back.start[node + 1] += back.start[node];
  back.targets.resize(edges.targets.size());
  std::vector<std::size_t> fill(back.start.begin(), back.start.end() - 1);
  // Sources in increasing order are nodes in decreasing order, so each row
  // comes out highest number first.
  for (std::size_t source = 0; source < count; ++source) {
    for (const std::size_t* target = edges.begin(source); target != edges.end(source); ++target) {
      back.targets[fill[count - 1 - *target]++] = count - 1 - source;
    }
  }
  return back;
}

// The closures' bitsets are worked out a slice of bits at a time, so that
// they take at most `words` words of memory. Returns the first word of each
// slice and, last, the number of words of a bitset of `nodes` bits.
std::vector<std::size_t> sliceBounds(std::size_t nodes, std::size_t words) {
  const std::size_t allWords = (nodes + 63) / 64;
  std::vector<std::size_t> bounds{0};
  while (bounds.back() < allWords) {
    // Node n's row holds words up to n / 64, so word w is in nodes - 64 w rows.
    std::size_t end = bounds.back() + 1;
    std::size_t total = nodes - 64 * bounds.back();
    while (end < allWords && total + (nodes - 64 * end) <= words) {
      total += nodes - 64 * end;
      ++end;
    }
    bounds.push_back(end);
  }
  return bounds;
}

// The bitsets of one slice of the closures: bits [64 * firstWord,
// 64 * endWord) of every node's closure. A node's closure holds no node
// above it, so node n keeps only the words up to its own bit.
class ClosureSlice {
 public:
  ClosureSlice(std::size_t nodes, std::size_t firstWord, std::size_t endWord)
      : firstWord_(firstWord), endWord_(endWord) {
    rowStart_.assign(nodes + 1, 0);
    for (std::size_t node = firstNode(); node < nodes; ++node) {
      rowStart_[node + 1] = rowStart_[node] + length(node);
    }
    bits_.assign(rowStart_[nodes], 0);
  }

  std::size_t firstNode() const { return 64 * firstWord_; }
  std::size_t length(std::size_t node) const {
    return node < firstNode() ? 0 : std::min(endWord_, node / 64 + 1) - firstWord_;
  }
  std::uint64_t* row(std::size_t node) { return bits_.data() + rowStart_[node]; }
  bool inSlice(std::size_t node) const { return node >= firstNode() && node < 64 * endWord_; }
  bool test(std::size_t node, std::size_t bit) {
    const std::size_t at = bit - firstNode();
    return (row(node)[at / 64] >> (at % 64)) & 1U;
  }
  void set(std::size_t node, std::size_t bit) {
    const std::size_t at = bit - firstNode();
    row(node)[at / 64] |= std::uint64_t{1} << (at % 64);
  }

 private:
  std::size_t firstWord_;
  std::size_t endWord_;
  std::vector<std::size_t> rowStart_;
  std::vector<std::uint64_t> bits_;
};

// The position of the lowest set bit of a word that is not 0, by de Bruijn
// multiplication, which needs no compiler builtin.
std::size_t lowestBit(std::uint64_t word) {
  static constexpr unsigned char kPositions[64] = {
      0,  1,  56, 2,  57, 49, 28, 3,  61, 58, 42, 50, 38, 29, 17, 4,  62, 47, 59, 36, 45, 43,
      51, 22, 53, 39, 33, 30, 24, 18, 12, 5,  63, 55, 48, 27, 60, 41, 37, 16, 46, 35, 44, 21,
      52, 32, 23, 11, 54, 26, 40, 15, 34, 20, 31, 10, 25, 14, 19, 9,  13, 8,  7,  6};
  return kPositions[((word & (~word + 1)) * 0x03f79d71b4ca8b09ULL) >> 58];
}

// The words of a bitset row that may hold set bits: [low, high).
struct WordRange {
  std::size_t low = 0, high = 0;
  void cover(WordRange other) {
    if (other.low == other.high) return;
    if (low == high) {
      *this = other;
      return;
    }
    low = std::min(low, other.low);
    high = std::max(high, other.high);
  }
};

// Adds the weights of the bits of `from` not yet in `into`, and puts them in.
void mergeRow(std::uint64_t* into, const std::uint64_t* from, WordRange words,
              std::size_t firstNode, const std::vector<FileTotals>& weights, FileTotals& sum) {
  for (std::size_t word = words.low; word < words.high; ++word) {
    std::uint64_t fresh = from[word] & ~into[word];
    into[word] |= fresh;
    while (fresh != 0) {
      const std::size_t bit = lowestBit(fresh);
      add(sum, weights[firstNode + 64 * word + bit]);
      fresh &= fresh - 1;
    }
  }
}

// The weights of each node's closure in a graph whose edges go from higher to
// lower numbers, each row of edges highest first. A node's bitset starts as
// a copy of its first successor's, and a successor already in it is skipped
// for good, since its closure is too; only the bits that are new are
// weighed, and only the words between a row's first and last set bits are
// read. Slices are taken from the highest bits down: whether a successor is
// in an earlier one's closure is seen in the slice that holds its bit, and
// a successor below a slice has no bits in it.
std::vector<FileTotals> closureTotals(const Rows& edges, const std::vector<FileTotals>& weights,
                                      std::size_t words) {
  const std::size_t nodes = edges.size();
  std::vector<FileTotals> totals(nodes);
  std::vector<FileTotals> inSlice(nodes);
  std::vector<WordRange> ranges(nodes);
  std::vector<bool> redundant(edges.targets.size(), false);
  const std::vector<std::size_t> bounds = sliceBounds(nodes, words);
  for (std::size_t at = bounds.size() - 1; at-- > 0;) {
    ClosureSlice slice(nodes, bounds[at], bounds[at + 1]);
    for (std::size_t node = slice.firstNode(); node < nodes; ++node) {
      std::uint64_t* row = slice.row(node);
      FileTotals sum;
      WordRange range;
      for (std::size_t edge = edges.start[node]; edge < edges.start[node + 1]; ++edge) {
        const std::size_t next = edges.targets[edge];
        if (next < slice.firstNode()) break;
        if (redundant[edge]) continue;
        if (slice.inSlice(next) && slice.test(node, next)) {
          redundant[edge] = true;
          continue;
        }
        const WordRange from = ranges[next];
        if (range.low == range.high) {
          std::copy(slice.row(next) + from.low, slice.row(next) + from.high, row + from.low);
          sum = inSlice[next];
        } else {
          mergeRow(row, slice.row(next), from, slice.firstNode(), weights, sum);
        }
        range.cover(from);
      }
      if (slice.inSlice(node)) {
        slice.set(node, node);
        add(sum, weights[node]);
        const std::size_t word = (node - slice.firstNode()) / 64;
        range.cover({word, word + 1});
      }
      ranges[node] = range;
      inSlice[node] = sum;
      add(totals[node], sum);
    }
  }
  return totals;
}

void computeClosures(const FileGraph& graph, const Rows& targets,
                     const std::vector<std::size_t>& component, const Rows& members,
                     std::size_t words, std::vector<FileMetrics>& metrics) {
  const std::size_t components = members.size();
  std::vector<FileTotals> weights(components);
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    add(weights[component[file]], {1, graph.files[file].bytes, graph.files[file].lines});
  }
  const Rows edges = componentEdges(targets, component, members);
  const Rows backwards = reversed(edges);
  std::vector<FileTotals> sizes(components);
  for (std::size_t c = 0; c < components; ++c) sizes[components - 1 - c].files = weights[c].files;
  // The two directions share nothing but their input, so they run side by
  // side, each with its own bitsets.
  std::future<std::vector<FileTotals>> reachingLater =
      std::async(std::launch::async, [&] { return closureTotals(backwards, sizes, words); });
  const std::vector<FileTotals> closures = closureTotals(edges, weights, words);
  const std::vector<FileTotals> reaching = reachingLater.get();
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    metrics[file].closure = closures[component[file]];
    metrics[file].reachedFrom = reaching[components - 1 - component[file]].files - 1;
  }
}

// Breadth first from the roots, then for each file the lowest-numbered
// includer one step nearer.
void computeDepths(const FileGraph& graph, const Rows& targets, std::vector<FileMetrics>& metrics) {
  std::vector<std::size_t> queue;
  for (std::size_t root : graph.roots) {
    if (metrics[root].depth == kNoIndex) queue.push_back(root);
    metrics[root].depth = 0;
  }
  for (std::size_t at = 0; at < queue.size(); ++at) {
    for (std::size_t target : metrics[queue[at]].includes) {
      if (metrics[target].depth != kNoIndex) continue;
      metrics[target].depth = metrics[queue[at]].depth + 1;
      queue.push_back(target);
    }
  }
  for (std::size_t file = 0; file < targets.size(); ++file) {
    if (metrics[file].depth == kNoIndex) continue;
    for (std::size_t d = 0; d < targets.start[file + 1] - targets.start[file]; ++d) {
      FileMetrics& target = metrics[targets.begin(file)[d]];
      if (target.via != kNoIndex || target.depth != metrics[file].depth + 1) continue;
      target.via = file;
      target.viaDirective = d;
    }
  }
}

std::vector<std::vector<std::size_t>> findCycles(const Rows& targets,
                                                 const std::vector<std::size_t>& component,
                                                 const Rows& members) {
  std::vector<std::vector<std::size_t>> cycles;
  std::vector<bool> listed(members.size(), false);
  for (std::size_t file = 0; file < targets.size(); ++file) {
    const std::size_t c = component[file];
    if (listed[c]) continue;
    const bool selfInclude =
        std::find(targets.begin(file), targets.end(file), file) != targets.end(file);
    if (members.end(c) - members.begin(c) == 1 && !selfInclude) continue;
    listed[c] = true;
    cycles.emplace_back(members.begin(c), members.end(c));
  }
  return cycles;
}

}  // namespace

GraphMetrics computeMetrics(const FileGraph& graph, std::size_t closureWords) {
  GraphMetrics result;
  result.files.resize(graph.files.size());
  const Rows targets = directiveTargets(graph);
  countIncludes(targets, result.files);
  std::vector<std::size_t> component;
  const std::size_t components = findComponents(targets, component);
  const Rows members = componentMembers(component, components);
  computeClosures(graph, targets, component, members, closureWords, result.files);
  computeDepths(graph, targets, result.files);
  result.cycles = findCycles(targets, component, members);
  return result;
}

RootTotals rootTotals(const FileGraph& graph, const GraphMetrics& metrics) {
  RootTotals totals;
  for (std::size_t file = 0; file < graph.files.size(); ++file) {
    if (metrics.files[file].depth == kNoIndex) continue;
    add(totals.reached, {1, graph.files[file].bytes, graph.files[file].lines});
    totals.missing += !graph.files[file].found;
  }
  for (const std::vector<std::size_t>& cycle : metrics.cycles) {
    totals.cycles += metrics.files[cycle.front()].depth != kNoIndex;
  }
  return totals;
}
