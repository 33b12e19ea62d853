// Test helpers: header trees in scratch directories, the tool run in-process
// and as a program and compared with the model, Graphviz as a reader.
#ifndef CLUDEMAP_TESTING_TEST_SUPPORT_H_
#define CLUDEMAP_TESTING_TEST_SUPPORT_H_

#include <optional>
#include <utility>
#include <vector>

#include <rapidjson/fwd.h>

#include "scan/search_list.h"
#include "testing/include_model.h"

using Files = std::vector<std::pair<std::string, std::string>>;  // path, content

std::filesystem::path freshDirectory();  // removed when the process ends
void writeFiles(const std::filesystem::path& directory, const Files& files);
std::string readFile(const std::filesystem::path& path);

struct HeaderTree {
  Files files;
  ModelOptions options;  // the start paths, include directories and cuts
};

// The fuzz input format: sections split at 0xFF bytes, the first eight
// used. A section's first byte, modulo 8, picks a file of a.h, b.h, sub/c.h,
// sub/d.h, sub/deep/e.h, sys/s.h, sys/c.h and \xe9t\xe9.h, and the rest is
// its content (the last section for a file counts). The first section's file
// is the start header: its first byte divided by 8, modulo 4, spells the
// start path (as listed, after "./", with '\' for '/', in double quotes),
// divided by 32, modulo 4, picks the include directories, and its top bit
// gives them kinds other than -I. Without it: a.h.
HeaderTree decodeHeaderTree(std::string_view input);
// The line fuzz target's input format: the bytes are the start header a.h,
// and an include directory holds b.h.
HeaderTree singleHeaderTree(std::string_view bytes);
std::string randomTreeInput(unsigned seed);  // made of pieces of directives
// Random cuts, tree view, warning mode and further start headers from the
// tree's own files.
void addRandomOptions(HeaderTree& tree, unsigned seed);

// Numbers as the facts texts write them: comma-separated, and "none" for
// one that is absent; from the graph, or from a -T json document's array
// of indices and its numbers or nulls.
std::string joinNumbers(const std::vector<std::size_t>& values);
std::string numberOrNone(std::optional<std::size_t> value);
std::vector<std::size_t> jsonIndices(const rapidjson::Value& list);
std::string numberOrNone(const rapidjson::Value& value);

// Writes `tree` into `directory` and runs the scan, with `readerThreads`
// (the default when unset), and the DOT writer, and with `facts` the JSON
// writer, there in-process, configured from the command line that asks for
// the tree's options, each writer twice. Returns where the warnings, the DOT
// text, the JSON document's facts or the file graph's directives part from
// the model's, or where a second writing differs, or "", and the tool's DOT
// text in `dot`.
std::string compareWithModel(const HeaderTree& tree, const std::filesystem::path& directory,
                             std::string* dot = nullptr,
                             std::optional<unsigned> readerThreads = std::nullopt,
                             bool facts = true);
// A file graph and its figures as text, a line a file: from a -T json
// document, read by a strict parser (its error otherwise), with each name's
// exact bytes; from a graph and the metrics model's figures; and the
// directives of a graph.
std::string jsonFacts(const std::string& json);
std::string modelFacts(const FileGraph& graph);
std::string directiveFacts(const FileGraph& graph);

// "" when the texts are equal, else where they part.
std::string textDifference(const std::string& what, const std::string& actual,
                           const std::string& expected);

struct CommandResult {
  int status = -1;  // 124: ran out of time
  std::string out, err;
};

// Runs the built tool in `directory`, CLUDEMAP_INCLUDE_PATH unset unless
// `environment` ("NAME=value" entries) sets it, and its standard output sent
// to `standardOutput` when that is given. CLUDEMAP_TEST_COMMAND, when set, is
// run instead (such as "wine cludemap.exe"), and CLUDEMAP_TEST_TARGET=windows
// says it is a Windows build.
CommandResult runTool(const Strings& args, const std::filesystem::path& directory,
                      const Strings& environment = {}, const std::string& standardOutput = "");
bool windowsTarget();
// Output as the target writes it: on Windows, text mode writes each LF as
// CR LF, and the DOT file does so too except in a label's line continuation.
std::string textMode(const std::string& text);
std::string dotLineEnds(const std::string& text);

// Graphviz's complaints about a DOT file; "" when it reads the file.
std::string graphvizErrors(const std::filesystem::path& file);

#endif  // CLUDEMAP_TESTING_TEST_SUPPORT_H_
