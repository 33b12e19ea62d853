#include "compdb/lexical_path.h"

#include "util/path_separator.h"

namespace {

bool hasDrive(std::string_view path) {
#if defined(_WIN32)
  if (path.size() < 2 || path[1] != ':') return false;
  const auto lower = static_cast<unsigned char>(path[0]) | 0x20U;
  return lower >= 'a' && lower <= 'z';
#else
  static_cast<void>(path);
  return false;
#endif
}

// The length of the root of an absolute path (separators after it
// included), or 0.
std::size_t rootLength(std::string_view path) {
  std::size_t start = 0;
  if (hasDrive(path)) {
    if (path.size() < 3 || !isSystemSeparator(path[2])) return 0;
    start = 2;
  }
  if (start >= path.size() || !isSystemSeparator(path[start])) return 0;
  std::size_t end = start;
  while (end < path.size() && isSystemSeparator(path[end])) ++end;
  return end;
}

// The root of an absolute path in normal form.
std::string normalRoot(std::string_view path, std::size_t length) {
  if (hasDrive(path)) {
    std::string root = "X:/";
    root[0] = static_cast<char>(path[0] & ~0x20);
    return root;
  }
#if defined(_WIN32)
  if (length >= 2) return "//";
#else
  static_cast<void>(length);
#endif
  return "/";
}

void appendComponent(std::string& out, std::size_t rootEnd, std::string_view part) {
  if (part.empty() || part == ".") return;
  if (part == "..") {
    const std::size_t slash = out.rfind('/');
    out.resize(slash == std::string::npos || slash < rootEnd ? rootEnd : slash);
    return;
  }
  if (out.size() > rootEnd) out += '/';
  out += part;
}

void appendComponents(std::string& out, std::size_t rootEnd, std::string_view path) {
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = start;
    while (end < path.size() && !isSystemSeparator(path[end])) ++end;
    appendComponent(out, rootEnd, path.substr(start, end - start));
    start = end + 1;
  }
}

// True for a POSIX path already in normal form, which is how build systems
// write nearly every path of a compile database.
bool isNormalAbsolute(std::string_view path) {
#if defined(_WIN32)
  static_cast<void>(path);
  return false;
#else
  if (path.empty() || path[0] != '/') return false;
  if (path.size() == 1) return true;
  for (std::size_t slash = 0; slash != std::string_view::npos;) {
    const std::size_t next = path.find('/', slash + 1);
    const std::string_view part = path.substr(slash + 1, next - slash - 1);
    if (part.empty() || part == "." || part == "..") return false;
    slash = next;
  }
  return true;
#endif
}

}  // namespace

bool isAbsolutePath(std::string_view path) { return rootLength(path) > 0; }

std::string absolutePath(std::string_view base, std::string_view path) {
  if (isNormalAbsolute(path)) return std::string(path);
  const std::size_t baseRoot = rootLength(base);
  std::size_t root = rootLength(path);
  const bool driveless = root == 0 && !path.empty() && isSystemSeparator(path[0]);
  std::string out = root > 0 ? normalRoot(path, root) : normalRoot(base, baseRoot);
  const std::size_t rootEnd = out.size();
  if (driveless) root = 1;
  if (root == 0) appendComponents(out, rootEnd, base.substr(baseRoot));
  appendComponents(out, rootEnd, path.substr(root));
  return out;
}

std::string_view parentPath(std::string_view normal) {
  const std::size_t slash = normal.rfind('/');
  if (slash == std::string_view::npos) return normal;
  const std::size_t rootEnd = rootLength(normal);
  return normal.substr(0, slash < rootEnd ? rootEnd : slash);
}

std::string_view fileName(std::string_view normal) {
  const std::size_t slash = normal.rfind('/');
  return slash == std::string_view::npos ? normal : normal.substr(slash + 1);
}

std::size_t sharedComponents(std::string_view a, std::string_view b) {
  std::size_t count = 0;
  for (std::size_t i = 0;; ++i) {
    const bool endA = i == a.size() || a[i] == '/';
    const bool endB = i == b.size() || b[i] == '/';
    if (endA != endB || (!endA && a[i] != b[i])) return count;
    if (!endA) continue;
    if (i > 0 && a[i - 1] != '/') ++count;
    if (i == a.size() || i == b.size()) return count;
  }
}
