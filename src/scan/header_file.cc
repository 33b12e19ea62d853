#include "scan/header_file.h"

#include <algorithm>
#include <fstream>
#include <system_error>

std::filesystem::path fileSystemPath(const std::string& path) {
  if (std::filesystem::path::preferred_separator != '/') return std::filesystem::path(path);
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return std::filesystem::path(native);
}

namespace {

bool isRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool isReadableRegularFile(const std::string& path) {
  const std::filesystem::path native = fileSystemPath(path);
  return isRegularFile(native) && std::ifstream(native, std::ios::binary).is_open();
}

bool readHeaderFile(const std::string& path, std::string& bytes) {
  const std::filesystem::path native = fileSystemPath(path);
  if (!isRegularFile(native)) return false;
  std::ifstream in(native, std::ios::binary);
  if (!in) return false;
  bytes.clear();
  // Read to end of file rather than trusting the reported size: some regular
  // files report 0 and still hold bytes.
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  return !in.bad();
}
