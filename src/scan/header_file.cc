#include "scan/header_file.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace {

constexpr std::size_t kFirstBufferBytes = 1 << 16;

// The name handed to the file system: where the native separator is '/',
// every '\' becomes '/', so names written for either separator open alike.
std::string nativeName(const std::string& path) {
  std::string native = path;
  if (std::filesystem::path::preferred_separator == '/') {
    std::replace(native.begin(), native.end(), '\\', '/');
  }
  return native;
}

}  // namespace

std::filesystem::path fileSystemPath(const std::string& path) {
  return std::filesystem::path(nativeName(path));
}

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(fileSystemPath(path), error);
}

std::optional<std::string_view> readHeaderFile(const std::string& path, std::string& buffer) {
  const std::string native = nativeName(path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(native, error)) return std::nullopt;
  // C stdio takes the name as the byte string it is, and unbuffered it reads
  // straight into `buffer`.
  std::FILE* file = std::fopen(native.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::setvbuf(file, nullptr, _IONBF, 0);
  // Read to end of file rather than trusting the reported size: some regular
  // files report 0 and still hold bytes.
  std::size_t size = 0;
  for (;;) {
    if (size == buffer.size()) buffer.resize(std::max(2 * buffer.size(), kFirstBufferBytes));
    const std::size_t wanted = buffer.size() - size;
    const std::size_t count = std::fread(buffer.data() + size, 1, wanted, file);
    size += count;
    // A short count means end of file or an error: asking again would only
    // cost another system call.
    if (count < wanted) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return std::string_view(buffer.data(), size);
}
