// A second, plain statement of cludemap's rules that the tests judge the
// tool by: recursive, unoptimised, written from the rules and not from the
// tool's code. Literal cases in the end-to-end tests pin it to the rules.
#ifndef CLUDEMAP_TESTING_INCLUDE_MODEL_H_
#define CLUDEMAP_TESTING_INCLUDE_MODEL_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

std::string modelEscape(std::string_view label);  // as inside a DOT string
std::string modelNode(int id, std::string_view label);
std::string modelEdge(int child, int parent, bool firstSighting);
std::string modelDotFile(const std::string& statements);

struct ToolOutput {
  std::string warnings, dot;
};

// An include directory, ending in a separator, and its kind: 'q' for
// quoted names only (-iquote), 'I' for both (-I), 's' a system one.
struct ModelSearchDir {
  std::string prefix;
  char kind = 'I';
};

// What cludemap prints and writes for the start path `argument` as the
// command line gives it and the include directories `dirs` in search order,
// relative paths taken from `base`.
ToolOutput runModel(const std::string& argument, const std::vector<ModelSearchDir>& dirs,
                    const std::filesystem::path& base);
// The same with -I directories only.
ToolOutput runModel(const std::string& argument, const std::vector<std::string>& dirs,
                    const std::filesystem::path& base);

#endif  // CLUDEMAP_TESTING_INCLUDE_MODEL_H_
