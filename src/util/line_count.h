// Counting the lines of a file's bytes as a person counts them.
#ifndef CLUDEMAP_UTIL_LINE_COUNT_H_
#define CLUDEMAP_UTIL_LINE_COUNT_H_

#include <cstdint>
#include <string_view>

// The line ends in `bytes`: each LF, CR LF and lone CR counts once.
std::uint64_t countLineEnds(std::string_view bytes);

// The lines of a file's bytes: its line ends, and one more for a last line
// without an end.
std::uint64_t countLines(std::string_view bytes);

#endif  // CLUDEMAP_UTIL_LINE_COUNT_H_
