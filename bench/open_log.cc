// A preloadable library that records, one per line, every path the process
// opens for reading, so the benchmark knows which files a run of the tool
// touched. Load it with LD_PRELOAD and name the log in CLUDEMAP_OPEN_LOG.
// Linux and glibc only; it is a measuring aid, never part of the tool.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using FopenFunction = FILE* (*)(const char*, const char*);

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The log is opened with the real open on first use and kept open.
int logDescriptor() {
  static int descriptor = [] {
    const char* logPath = std::getenv("CLUDEMAP_OPEN_LOG");
    if (logPath == nullptr) return -1;
    static const OpenFunction realOpen = next<OpenFunction>("open");
    return realOpen(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }();
  return descriptor;
}

void record(const char* path, bool forReading, bool succeeded) {
  if (!forReading || !succeeded || path == nullptr) return;
  const int descriptor = logDescriptor();
  if (descriptor < 0) return;
  // One write per line keeps lines whole.
  char line[4096 + 2];
  const std::size_t length = std::strlen(path);
  if (length > 4096) return;
  std::memcpy(line, path, length);
  line[length] = '\n';
  if (write(descriptor, line, length + 1) < 0) return;
}

bool readOnly(int flags) { return (flags & O_ACCMODE) == O_RDONLY; }

mode_t modeArgument(int flags, va_list arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  static const OpenFunction real = next<OpenFunction>("open");
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeArgument(flags, arguments);
  va_end(arguments);
  const int result = real(path, flags, mode);
  record(path, readOnly(flags), result >= 0);
  return result;
}

int open64(const char* path, int flags, ...) {
  static const OpenFunction real = next<OpenFunction>("open64");
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeArgument(flags, arguments);
  va_end(arguments);
  const int result = real(path, flags, mode);
  record(path, readOnly(flags), result >= 0);
  return result;
}

int openat(int directory, const char* path, int flags, ...) {
  static const OpenAtFunction real = next<OpenAtFunction>("openat");
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeArgument(flags, arguments);
  va_end(arguments);
  const int result = real(directory, path, flags, mode);
  record(path, readOnly(flags), result >= 0);
  return result;
}

int openat64(int directory, const char* path, int flags, ...) {
  static const OpenAtFunction real = next<OpenAtFunction>("openat64");
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = modeArgument(flags, arguments);
  va_end(arguments);
  const int result = real(directory, path, flags, mode);
  record(path, readOnly(flags), result >= 0);
  return result;
}

FILE* fopen(const char* path, const char* mode) {
  static const FopenFunction real = next<FopenFunction>("fopen");
  FILE* result = real(path, mode);
  record(path, mode[0] == 'r' && std::strchr(mode, '+') == nullptr, result != nullptr);
  return result;
}

FILE* fopen64(const char* path, const char* mode) {
  static const FopenFunction real = next<FopenFunction>("fopen64");
  FILE* result = real(path, mode);
  record(path, mode[0] == 'r' && std::strchr(mode, '+') == nullptr, result != nullptr);
  return result;
}

}  // extern "C"
