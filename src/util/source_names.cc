#include "util/source_names.h"

#include <algorithm>
#include <iterator>

namespace {

struct Extension {
  std::string_view text;
  bool compiled;
  bool handWritten;
};

constexpr Extension kExtensions[] = {
    {"h", false, true},   {"hh", false, true},  {"hpp", false, true}, {"hxx", false, true},
    {"h++", false, true}, {"inl", false, true}, {"ipp", false, true}, {"tcc", false, true},
    {"c", true, true},    {"cc", true, true},   {"cpp", true, true},  {"cxx", true, true},
    {"c++", true, true},  {"cp", true, false},  {"C", true, false},   {"CC", true, false},
    {"CPP", true, false}, {"CXX", true, false}, {"m", true, false},   {"mm", true, false},
    {"M", true, false},   {"cu", true, false},
};

const Extension* find(std::string_view text) {
  const Extension* found =
      std::find_if(std::begin(kExtensions), std::end(kExtensions),
                   [text](const Extension& extension) { return extension.text == text; });
  return found == std::end(kExtensions) ? nullptr : found;
}

}  // namespace

bool isCompiledExtension(std::string_view extension) {
  const Extension* found = find(extension);
  return found != nullptr && found->compiled;
}

bool isHandWrittenExtension(std::string_view extension) {
  const Extension* found = find(extension);
  return found != nullptr && found->handWritten;
}
