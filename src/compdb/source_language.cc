#include "compdb/source_language.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "util/path_separator.h"

namespace {

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool isVersionPart(std::string_view part) {
  if (part == "posix" || part == "win32") return true;
  return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
    return c == '.' || std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// The compiler's file name in lower case, without ".exe" and version parts.
std::string bareName(std::string_view compiler) {
  const std::size_t slash = compiler.find_last_of(kNameSeparators);
  std::string name(compiler.substr(slash == std::string_view::npos ? 0 : slash + 1));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (endsWith(name, ".exe")) name.resize(name.size() - 4);
  for (std::size_t dash = name.rfind('-');
       dash != std::string::npos && isVersionPart(std::string_view(name).substr(dash + 1));
       dash = name.rfind('-')) {
    name.resize(dash);
  }
  return name;
}

// The language an -x value names; nothing for "none" and languages other
// than C and C++ (assembler), which leave it to the extension.
std::optional<SourceLanguage> languageNamed(std::string_view value) {
  constexpr std::string_view kC[] = {"c", "c-header", "cpp-output", "objective-c",
                                     "objective-c-header"};
  constexpr std::string_view kCxxStarts[] = {"c++", "objective-c++", "cuda", "hip"};
  if (std::find(std::begin(kC), std::end(kC), value) != std::end(kC)) return SourceLanguage::kC;
  for (const std::string_view start : kCxxStarts) {
    if (value.rfind(start, 0) == 0) return SourceLanguage::kCxx;
  }
  return std::nullopt;
}

std::optional<SourceLanguage> lastLanguageOption(const std::vector<std::string>& arguments) {
  std::optional<SourceLanguage> language;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string_view word = arguments[i];
    if (word.rfind("-x", 0) != 0) continue;
    std::string_view value = word.substr(2);
    if (value.empty() && i + 1 < arguments.size()) value = arguments[++i];
    language = languageNamed(value);
  }
  return language;
}

std::optional<SourceLanguage> fileLanguage(std::string_view file) {
  const std::size_t dot = file.rfind('.');
  if (dot == std::string_view::npos ||
      file.find_first_of(kNameSeparators, dot) != std::string_view::npos) {
    return std::nullopt;
  }
  return extensionLanguage(file.substr(dot + 1));
}

}  // namespace

const char* languageOption(SourceLanguage language) {
  return language == SourceLanguage::kC ? "c" : "c++";
}

bool isCCompiler(std::string_view compiler) {
  const std::string name = bareName(compiler);
  return endsWith(name, "cc") || endsWith(name, "clang");
}

SourceLanguage sourceLanguageOf(const std::vector<std::string>& arguments, std::string_view file,
                                std::string_view compiler) {
  if (const std::optional<SourceLanguage> named = lastLanguageOption(arguments)) return *named;
  if (const std::optional<SourceLanguage> byExtension = fileLanguage(file)) return *byExtension;
  return isCCompiler(compiler) ? SourceLanguage::kC : SourceLanguage::kCxx;
}
