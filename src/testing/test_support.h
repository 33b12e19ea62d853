// Test helpers: the tool run in-process and as a program, compared with the
// model, on header trees in scratch directories; Graphviz as a reader.
#ifndef CLUDEMAP_TESTING_TEST_SUPPORT_H_
#define CLUDEMAP_TESTING_TEST_SUPPORT_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testing/include_model.h"

using Strings = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>;  // path, content

// A new empty directory inside one per process, removed at exit.
std::filesystem::path freshDirectory();
void writeFiles(const std::filesystem::path& directory, const Files& files);
std::string readFile(const std::filesystem::path& path);

struct HeaderTree {
  Files files;
  std::string rootArgument;  // as on the command line
  Strings includeDirs;
};

// The fuzz input format. `input` is split at every 0xFF byte into sections,
// of which the first eight count. A section's first byte, modulo 8, picks a
// file of a.h, b.h, sub/c.h, sub/d.h, sub/deep/e.h, sys/s.h, sys/c.h and
// \xe9t\xe9.h; the rest of the section is its content (a later section for
// the same file replaces it). The first section's file is the start header;
// its first byte divided by 8, modulo 4, spells the start path (as listed,
// after "./", with '\' for '/', in double quotes), and divided by 32, modulo
// 4, picks the include directories. Without a first section: a.h.
HeaderTree decodeHeaderTree(std::string_view input);

// Writes `tree` into `directory` and runs the scan and the writer there
// in-process, from a fresh run state. Returns {tool, model}.
std::pair<ToolOutput, ToolOutput> runTreeBothWays(const HeaderTree& tree,
                                                  const std::filesystem::path& directory);

// Empty when the texts are equal, else where they part.
std::string textDifference(const std::string& what, const std::string& actual,
                           const std::string& expected);
std::string outputDifference(const ToolOutput& tool, const ToolOutput& model);
// The tool's and the model's directives in `bytes` as one header's content:
// kinds, texts, labels and the labels' DOT text.
std::string lineDifference(std::string_view bytes);

struct CommandResult {
  int status = -1;  // 124 when it ran out of time
  std::string out, err;
};

// Runs the built tool with `args` in `directory`, with `environment`
// entries ("NAME=value") added and CLUDEMAP_INCLUDE_PATH otherwise unset.
// CLUDEMAP_TEST_COMMAND, when set, is the command to run instead (such as
// "wine64 cludemap.exe"), and CLUDEMAP_TEST_TARGET=windows says it writes
// in text mode.
CommandResult runTool(const Strings& args, const std::filesystem::path& directory,
                      const Strings& environment = {});
bool windowsTarget();
// `text` as the target writes it: on Windows each LF as CR LF.
std::string textMode(std::string text);

// Graphviz's complaints about a DOT file; empty when it reads the file.
std::string graphvizErrors(const std::filesystem::path& file);

#endif  // CLUDEMAP_TESTING_TEST_SUPPORT_H_
