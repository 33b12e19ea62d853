#include "util/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

Error readFailure() {
  return {ErrorCategory::kUnusableInput, errno != 0 ? std::strerror(errno) : "read error"};
}

}  // namespace

Expected<std::string> readWholeFile(const std::string& path, std::size_t padding) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return readFailure();
  std::string text;
  // One allocation where the size is known; a pipe grows as it is read.
  std::error_code unknown;
  const std::uintmax_t size = std::filesystem::file_size(path, unknown);
  if (!unknown) text.reserve(static_cast<std::size_t>(size) + padding);
  char block[1 << 16];
  for (std::size_t got = 0; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
    text.append(block, got);
  }
  if (std::ferror(file) != 0) {
    Error failure = readFailure();
    std::fclose(file);
    return failure;
  }
  std::fclose(file);
  text.append(padding, '\0');
  return text;
}
