// The small header trees the whole-tool fuzz target scans, decoded from raw
// bytes so that every mutation of the bytes still gives a tree.
#ifndef CLUDEMAP_FUZZ_HEADER_TREE_INPUT_H_
#define CLUDEMAP_FUZZ_HEADER_TREE_INPUT_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The files a tree may hold, relative to its directory. Directories `sub`,
// `sub/deep` and `sys` always exist, so names can also reach directories.
extern const std::vector<std::string> kTreeFileNames;

// Angle-bracket names are looked up here, relative to the tree's directory.
extern const std::vector<std::string> kTreeSystemIncludeDirs;

// At most this many sections of an input are used.
inline constexpr std::size_t kMaxTreeSections = 8;

struct HeaderTree {
  // Relative file name and content, at most one entry per name.
  std::vector<std::pair<std::string, std::string>> files;
  // The first command-line argument that names the start header.
  std::string rootArgument;
};

// Decodes an input. It is split at every 0xFF byte into sections, of which
// the first kMaxTreeSections count. A section's first byte selects a file:
// the byte modulo 8 indexes kTreeFileNames, and the rest of the section is
// that file's content, any bytes at all; a later section for the same file
// replaces the earlier. The first section's file is the start header, and
// its selector byte divided by 8, modulo 4, picks the spelling of the start
// path: 0 as listed, 1 with "./" in front, 2 with '\' for '/', 3 inside
// double quotes. So "@" to "G" select the eight files spelled as listed,
// "H" to "O" with "./", "P" to "W" with backslashes and "X" to "_" quoted.
// When the first section is empty the start header is a.h, written or not.
HeaderTree decodeHeaderTree(std::string_view input);

// Creates `directory` with the tree's directories and files in it.
void writeHeaderTree(const HeaderTree& tree, const std::filesystem::path& directory);

#endif  // CLUDEMAP_FUZZ_HEADER_TREE_INPUT_H_
