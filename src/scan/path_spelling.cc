#include "scan/path_spelling.h"

#include <algorithm>

#include "util/path_separator.h"

std::string pathBeside(std::string_view includerPath, std::string_view name) {
  const std::string_view directories =
      includerPath.substr(0, includerPath.find_last_of(kNameSeparators) + 1);
  std::string path;
  path.reserve(directories.size() + name.size());
  path.append(directories);
  std::replace(path.begin(), path.end(), '\\', '/');
  path.append(name);
  return path;
}

std::string directoryPrefix(std::string_view directory) {
  std::string prefix(directory);
  if (!prefix.empty() && !isNameSeparator(prefix.back())) prefix += '/';
  return prefix;
}

std::optional<std::string_view> firstComponent(std::string_view name) {
  const std::size_t separator = name.find_first_of(kNameSeparators);
  if (separator == std::string_view::npos) return std::nullopt;
  return name.substr(0, separator);
}

const std::string& nativeName(const std::string& path, std::string& changed) {
  if (kSystemSeparator != '/' || path.find('\\') == std::string::npos) {
    return path;
  }
  changed = path;
  std::replace(changed.begin(), changed.end(), '\\', '/');
  return changed;
}
