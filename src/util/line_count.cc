#include "util/line_count.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// 0x80 in each byte of `word` that equals `byte`, 0 in the others; no carry
// crosses from one byte to the next, so every byte is told exactly.
std::uint64_t bytesEqual(std::uint64_t word, unsigned char byte) {
  const std::uint64_t x = word ^ (kOnes * byte);
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

std::uint64_t load(const char* at) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// 1 in each byte of the eight at `at` that ends a line: an LF, or a CR
// without an LF after it. Reads one byte past the eight. Each word's bytes
// and the next byte's are loaded alike, so byte order does not matter.
std::uint64_t lineEnds(const char* at) {
  const std::uint64_t word = load(at);
  const std::uint64_t next = load(at + 1);
  return (bytesEqual(word, '\n') | (bytesEqual(word, '\r') & ~bytesEqual(next, '\n'))) >> 7;
}

}  // namespace

// Eight bytes at a time, thirty-two a round: branch-free, so as fast for
// short lines as for long ones, whatever the compiler's vectoriser does.
std::uint64_t countLineEnds(std::string_view bytes) {
  const char* text = bytes.data();
  const std::size_t size = bytes.size();
  std::uint64_t ends = 0;
  std::size_t at = 0;
  for (; at + 33 <= size; at += 32) {
    // Each byte of the sum is at most 4, so the multiplication adds the
    // eight bytes into the top one without a carry.
    const std::uint64_t found = lineEnds(text + at) + lineEnds(text + at + 8) +
                                lineEnds(text + at + 16) + lineEnds(text + at + 24);
    ends += (found * kOnes) >> 56;
  }
  for (; at < size; ++at) {
    ends += text[at] == '\n' || (text[at] == '\r' && (at + 1 == size || text[at + 1] != '\n'));
  }
  return ends;
}

std::uint64_t countLines(std::string_view bytes) {
  const bool openLast = !bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r';
  return countLineEnds(bytes) + (openLast ? 1 : 0);
}

std::string lineAndColumn(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, offset);
  const std::size_t lineStart = before.rfind('\n') + 1;  // 0 on the first line
  return std::to_string(1 + std::count(before.begin(), before.end(), '\n')) + ':' +
         std::to_string(before.size() - lineStart + 1);
}
