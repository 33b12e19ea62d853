// Counting the lines of a file's bytes as a person counts them, and naming
// a place in them.
#ifndef CLUDEMAP_UTIL_LINE_COUNT_H_
#define CLUDEMAP_UTIL_LINE_COUNT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The line ends in `bytes`: each LF, CR LF and lone CR counts once.
std::uint64_t countLineEnds(std::string_view bytes);

// The lines of a file's bytes: its line ends, and one more for a last line
// without an end.
std::uint64_t countLines(std::string_view bytes);

// Where byte `offset` of `text` is, as "LINE:COLUMN" for a message, both
// counted from 1: lines end at each LF, as JSON parsers count them (a lone
// CR ends none here), and columns count bytes. An offset past the end is
// taken as the end.
std::string lineAndColumn(std::string_view text, std::size_t offset);

#endif  // CLUDEMAP_UTIL_LINE_COUNT_H_
