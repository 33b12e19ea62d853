#include "compdb/include_options.h"

#include <cctype>
#include <string_view>

#include "compdb/lexical_path.h"
#include "util/path_separator.h"

namespace {

struct Option {
  std::string_view spelling;
  std::vector<std::string> IncludeOptions::*list;
  bool slashStyle;
};

// Each option and the list it adds to; the slash-style ones only count for
// cl-style compilers.
constexpr Option kOptions[] = {
    {"-iquote", &IncludeOptions::quote, false},      {"-isystem", &IncludeOptions::system, false},
    {"-idirafter", &IncludeOptions::after, false},   {"-I", &IncludeOptions::include, false},
    {"-external:I", &IncludeOptions::system, false}, {"/external:I", &IncludeOptions::system, true},
    {"/I", &IncludeOptions::include, true},
};

// True for cl and clang-cl, in any letter case, with or without ".exe" and
// a version suffix ("clang-cl-14"), its path split as one written for
// either system.
bool isClStyle(std::string_view compiler) {
  const std::size_t slash = compiler.find_last_of(kNameSeparators);
  std::string name(compiler.substr(slash == std::string_view::npos ? 0 : slash + 1));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) {
    name.resize(name.size() - 4);
  }
  return name == "cl" || name.rfind("clang-cl", 0) == 0;
}

}  // namespace

IncludeOptions includeOptions(const std::vector<std::string>& arguments,
                              const std::string& directory) {
  IncludeOptions options;
  if (arguments.empty()) return options;
  const bool slashes = isClStyle(arguments.front());
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string_view word = arguments[i];
    for (const Option& option : kOptions) {
      if ((option.slashStyle && !slashes) || word.rfind(option.spelling, 0) != 0) continue;
      std::string_view value = word.substr(option.spelling.size());
      if (value.empty()) {
        if (i + 1 == arguments.size()) break;
        value = arguments[++i];
      }
      (options.*option.list).push_back(absolutePath(directory, value));
      break;
    }
  }
  return options;
}
