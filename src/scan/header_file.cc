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

constexpr std::size_t kFirstBufferBytes = 1 << 16;

bool isRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool isRegularFile(const std::string& path) { return isRegularFile(fileSystemPath(path)); }

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(fileSystemPath(path), error);
}

std::optional<std::string_view> readHeaderFile(const std::string& path, std::string& buffer) {
  const std::filesystem::path native = fileSystemPath(path);
  if (!isRegularFile(native)) return std::nullopt;
  std::ifstream in;
  // Unbuffered, so the reads land in `buffer` directly.
  in.rdbuf()->pubsetbuf(nullptr, 0);
  in.open(native, std::ios::binary);
  if (!in) return std::nullopt;
  // Read to end of file rather than trusting the reported size: some regular
  // files report 0 and still hold bytes.
  std::size_t size = 0;
  do {
    if (size == buffer.size()) buffer.resize(std::max(2 * buffer.size(), kFirstBufferBytes));
    in.read(buffer.data() + size, static_cast<std::streamsize>(buffer.size() - size));
    size += static_cast<std::size_t>(in.gcount());
  } while (in);
  if (in.bad()) return std::nullopt;
  return std::string_view(buffer.data(), size);
}
