#include "util/glob.h"

#include <cstddef>
#include <optional>

namespace {

// One pattern element matched against one byte: how many pattern bytes the
// element spans, and whether the byte matched it.
struct Step {
  std::size_t length;
  bool matched;
};

// A class member at pattern[at]: the byte, a backslash making the next byte
// a member as written. Moves `at` past it.
unsigned char classMember(std::string_view pattern, std::size_t& at) {
  if (pattern[at] == '\\' && at + 1 < pattern.size()) ++at;
  return static_cast<unsigned char>(pattern[at++]);
}

// The class that opens at pattern[at] == '['; nothing when no ']' closes it.
std::optional<Step> matchClass(std::string_view pattern, std::size_t at, unsigned char byte) {
  std::size_t i = at + 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  const std::size_t first = i;
  bool matched = false;
  while (i < pattern.size() && (pattern[i] != ']' || i == first)) {
    const unsigned char low = classMember(pattern, i);
    unsigned char high = low;
    if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
      ++i;
      high = classMember(pattern, i);
    }
    matched = matched || (low <= byte && byte <= high);
  }
  if (i >= pattern.size()) return std::nullopt;
  return Step{i + 1 - at, matched != negated};
}

// The element at pattern[at], which is not a star, against `byte`.
Step matchElement(std::string_view pattern, std::size_t at, char byte) {
  const char c = pattern[at];
  if (c == '?') return {1, true};
  if (c == '[') {
    if (const auto step = matchClass(pattern, at, static_cast<unsigned char>(byte))) return *step;
  }
  if (c == '\\' && at + 1 < pattern.size()) return {2, pattern[at + 1] == byte};
  return {1, c == byte};
}

}  // namespace

// The text is matched left to right, remembering only the last star met and
// where its run began. When an element fails, that star takes one more byte
// and matching resumes after it: an earlier star never needs to take more,
// because the later star can absorb whatever the earlier one would have.
bool globMatch(std::string_view pattern, std::string_view text) {
  constexpr std::size_t kNoStar = std::string_view::npos;
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t afterStar = kNoStar;
  std::size_t starRunEnd = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      afterStar = ++p;
      starRunEnd = t;
      continue;
    }
    if (p < pattern.size()) {
      const Step step = matchElement(pattern, p, text[t]);
      if (step.matched) {
        p += step.length;
        ++t;
        continue;
      }
    }
    if (afterStar == kNoStar) return false;
    p = afterStar;
    t = ++starRunEnd;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}
