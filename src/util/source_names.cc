#include "util/source_names.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr std::optional<SourceLanguage> kC = SourceLanguage::kC;
constexpr std::optional<SourceLanguage> kCxx = SourceLanguage::kCxx;
constexpr std::optional<SourceLanguage> kEither = std::nullopt;

struct Extension {
  std::string_view text;
  bool compiled;
  bool handWritten;
  std::optional<SourceLanguage> language;
};

constexpr Extension kExtensions[] = {
    {"h", false, true, kEither}, {"hh", false, true, kCxx},  {"hpp", false, true, kCxx},
    {"hxx", false, true, kCxx},  {"h++", false, true, kCxx}, {"inl", false, true, kEither},
    {"ipp", false, true, kCxx},  {"tcc", false, true, kCxx}, {"c", true, true, kC},
    {"cc", true, true, kCxx},    {"cpp", true, true, kCxx},  {"cxx", true, true, kCxx},
    {"c++", true, true, kCxx},   {"cp", true, false, kCxx},  {"C", true, false, kCxx},
    {"CC", true, false, kCxx},   {"CPP", true, false, kCxx}, {"CXX", true, false, kCxx},
    {"m", true, false, kC},      {"mm", true, false, kCxx},  {"M", true, false, kCxx},
    {"cu", true, false, kCxx},
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

std::optional<SourceLanguage> extensionLanguage(std::string_view extension) {
  const Extension* found = find(extension);
  return found != nullptr ? found->language : std::nullopt;
}
