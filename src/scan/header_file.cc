#include "scan/header_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "scan/path_spelling.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#define CLUDEMAP_POSIX_FILES 1
#endif

namespace {

constexpr std::size_t kFirstBufferBytes = 1 << 16;

// Reads from `readSome(data, size)`, which returns the count read or -1,
// into `buffer` until a short count, and returns the bytes read or nothing
// on an error. `expected` is the size the file reports; one more byte is
// asked for so that a file of that size ends with the first short count.
// The loop still reads to end of file rather than trusting the size: some
// regular files report 0 and still hold bytes.
template <typename ReadSome>
std::optional<std::string_view> readToEnd(ReadBuffer& buffer, std::size_t expected,
                                          ReadSome readSome) {
  buffer.reserve(expected + 1);
  std::size_t size = 0;
  for (;;) {
    const std::size_t wanted = buffer.size() - size;
    const long long count = readSome(buffer.data() + size, wanted);
    if (count < 0) return std::nullopt;
    size += static_cast<std::size_t>(count);
    // A short count means end of file: asking again would only cost another
    // system call.
    if (static_cast<std::size_t>(count) < wanted) break;
    // The file held more than it reported; what was read is kept.
    ReadBuffer larger;
    larger.reserve(2 * buffer.size());
    std::copy(buffer.data(), buffer.data() + size, larger.data());
    buffer = std::move(larger);
  }
  return std::string_view(buffer.data(), size);
}

#if defined(CLUDEMAP_POSIX_FILES)

// A stat, an open, an fstat and mostly one read per file. Only a path that
// names a regular file is opened: opening a device can act by itself (a
// watchdog armed, a tape rewound), and a header names any path it likes.
// The open file is checked again, in case the path changed in between.
// O_NONBLOCK makes opening a FIFO put there meanwhile return at once
// instead of waiting for a writer (it changes nothing for regular files),
// O_NOCTTY keeps a terminal from becoming the process's controlling one.
std::optional<std::string_view> readNative(const std::string& native, ReadBuffer& buffer) {
  struct stat status {};
  if (stat(native.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const int descriptor = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  std::optional<std::string_view> bytes;
  if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
    bytes = readToEnd(buffer, static_cast<std::size_t>(status.st_size),
                      [descriptor](char* data, std::size_t size) -> long long {
                        for (;;) {
                          const ssize_t count = read(descriptor, data, size);
                          if (count >= 0 || errno != EINTR) return count;
                        }
                      });
  }
  close(descriptor);
  return bytes;
}

#else

// The portable way: the type by path, then C stdio, which takes the name as
// the byte string it is and, unbuffered, reads straight into `buffer`.
std::optional<std::string_view> readNative(const std::string& native, ReadBuffer& buffer) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(native, error)) return std::nullopt;
  const std::uintmax_t reported = std::filesystem::file_size(native, error);
  std::FILE* file = std::fopen(native.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::setvbuf(file, nullptr, _IONBF, 0);
  std::optional<std::string_view> bytes =
      readToEnd(buffer, error ? 0 : static_cast<std::size_t>(reported),
                [file](char* data, std::size_t size) -> long long {
                  const std::size_t count = std::fread(data, 1, size, file);
                  return std::ferror(file) != 0 ? -1 : static_cast<long long>(count);
                });
  std::fclose(file);
  return bytes;
}

#endif

}  // namespace

void ReadBuffer::reserve(std::size_t size) {
  if (size <= size_) return;
  // At least twofold, so that files of growing size do not each cost a new
  // buffer.
  size_ = std::max({size, 2 * size_, kFirstBufferBytes});
  bytes_.reset(new char[size_]);
}

std::filesystem::path fileSystemPath(const std::string& path) {
  std::string changed;
  return std::filesystem::path(nativeName(path, changed));
}

std::string canonicalPath(const std::string& path) {
  std::string changed;
  const std::string& native = nativeName(path, changed);
#if defined(CLUDEMAP_POSIX_FILES)
  if (char* resolved = realpath(native.c_str(), nullptr)) {
    std::string canonical(resolved);
    std::free(resolved);
    return canonical;
  }
  return path;
#else
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(native, error);
  return error ? path : canonical.string();
#endif
}

std::string CanonicalPaths::of(const std::string& path) {
#if defined(CLUDEMAP_POSIX_FILES)
  std::string changed;
  const std::string& native = nativeName(path, changed);
  const std::size_t slash = native.rfind('/');
  const std::string_view name = slash == std::string::npos
                                    ? std::string_view(native)
                                    : std::string_view(native).substr(slash + 1);
  struct stat status {};
  // A link, or a name that steps within its directory, resolves as a whole.
  if (name.empty() || name == "." || name == ".." || lstat(native.c_str(), &status) != 0 ||
      S_ISLNK(status.st_mode)) {
    return canonicalPath(path);
  }
  const std::string directory = slash == std::string::npos ? std::string(".")
                                : slash == 0               ? std::string("/")
                                                           : native.substr(0, slash);
  const std::string& resolved =
      directories_.get(directory, [&] { return canonicalPath(directory); });
  if (resolved.empty() || resolved[0] != '/') return canonicalPath(path);
  std::string canonical = resolved;
  if (canonical.back() != '/') canonical += '/';
  canonical += name;
  return canonical;
#else
  return canonicalPath(path);
#endif
}

bool isReadableFile(const std::string& path) {
  std::string changed;
  const std::string& native = nativeName(path, changed);
#if defined(CLUDEMAP_POSIX_FILES)
  struct stat status {};
  return stat(native.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(native.c_str(), R_OK) == 0;
#else
  std::error_code error;
  return std::filesystem::is_regular_file(native, error);
#endif
}

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(fileSystemPath(path), error);
}

std::optional<std::string_view> readHeaderFile(const std::string& path, ReadBuffer& buffer) {
  std::string changed;
  return readNative(nativeName(path, changed), buffer);
}
