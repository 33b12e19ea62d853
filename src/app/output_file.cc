#include "app/output_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include "util/hex.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#define CLUDEMAP_POSIX_FILES 1
#endif

namespace fs = std::filesystem;

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

namespace {

// Makes the new, empty file `path`; returns 0, EEXIST where a file of that
// name is there already, or the errno of another failure. Mode 0666 less the
// umask, as for any new file.
int createNewFile(const fs::path& path) {
#if defined(CLUDEMAP_POSIX_FILES)
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return errno;
  ::close(descriptor);
  return 0;
#else
  // Without an exclusive create the name's randomness keeps it apart.
  std::error_code error;
  if (fs::exists(fs::symlink_status(path, error))) return EEXIST;
  errno = 0;
  if (std::ofstream(path, std::ios::binary).is_open()) return 0;
  return errno != 0 ? errno : EIO;
#endif
}

// The file whose content a rename can replace for `path`: the path itself,
// or a symbolic link's target; nothing where it must be written in place.
std::optional<fs::path> replaceableFile(const fs::path& path) {
  std::error_code error;
  fs::path file = path;
  if (fs::is_symlink(fs::symlink_status(path, error))) {
    file = fs::canonical(path, error);
    if (error) return std::nullopt;
  }
  const fs::file_status status = fs::status(file, error);
  if (status.type() == fs::file_type::not_found) return file;
  // Opening for appending tests the right to write without touching a byte.
  if (fs::is_regular_file(status) && std::ofstream(file, std::ios::app).is_open()) return file;
  return std::nullopt;
}

std::string randomSuffix() {
  std::random_device source;
  std::string suffix;
  for (int i = 0; i < 4; ++i) {
    for (unsigned bits = source(), n = 0; n < 4; ++n, bits >>= 4U) suffix += hexDigit(bits);
  }
  return suffix;
}

}  // namespace

Error writeFailure(std::string_view name, int error) {
  return {ErrorCategory::kOutput,
          "cannot write " + std::string(name) + ": " + std::strerror(error)};
}

OutputFile::OutputFile(std::ostream* standardOutput) : standardOutput_(standardOutput) {}

OutputFile::~OutputFile() {
  if (hidden_.empty()) return;
  file_.close();
  std::error_code error;
  fs::remove(hidden_, error);
}

std::optional<Error> OutputFile::open(const fs::path& path, std::string_view name) {
  name_ = name;
  const int error = start(path);
  if (error == 0) return std::nullopt;
  return writeFailure(name_, error);
}

std::optional<Error> OutputFile::commit() {
  const int error = finish();
  if (error == 0) return std::nullopt;
  return writeFailure(name_, error);
}

// Returns 0, or the errno of the failure.
int OutputFile::start(const fs::path& path) {
  if (standardOutput_ != nullptr && path == "-") {
#if defined(_WIN32)
    // The formats spell out their own line ends; text mode would turn each
    // LF into CR LF again.
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    writeTo(*standardOutput_->rdbuf());
    return 0;
  }
  const std::optional<fs::path> replaceable = replaceableFile(path);
  if (replaceable && startHiddenFile(*replaceable)) return 0;
  errno = 0;
  if (file_.open(path, std::ios::binary | std::ios::out | std::ios::trunc) == nullptr) {
    return errno != 0 ? errno : EIO;
  }
  writeTo(file_);
  return 0;
}

// Names a hidden file beside `output` (".NAME.SUFFIX.tmp"), made new so
// that no other file is ever written through it, and opens it.
bool OutputFile::startHiddenFile(const fs::path& output) {
  std::error_code error;
  const fs::file_status existing = fs::status(output, error);
  for (int attempt = 0; attempt < 16 && hidden_.empty(); ++attempt) {
    fs::path name = ".";
    name += output.filename();
    name += "." + randomSuffix() + ".tmp";
    const fs::path candidate = output.parent_path() / name;
    const int failure = createNewFile(candidate);
    if (failure == 0) hidden_ = candidate;
    if (failure != 0 && failure != EEXIST) return false;
  }
  if (hidden_.empty()) return false;
  bool modeKept = true;
  if (fs::exists(existing)) {
    fs::permissions(hidden_, existing.permissions(), error);
    modeKept = !error;
  }
  if (!modeKept || file_.open(hidden_, std::ios::binary | std::ios::out) == nullptr) {
    fs::remove(hidden_, error);
    hidden_.clear();
    return false;
  }
  output_ = output;
  writeTo(file_);
  return true;
}

void OutputFile::writeTo(std::streambuf& target) {
  checked_.emplace(target);
  stream_.rdbuf(&*checked_);
}

// Returns 0, or the errno of the first failure (EIO where it set none).
int OutputFile::finish() {
  if (!checked_) return EBADF;
  stream_.flush();
  int failure = checked_->error();
  if (failure == 0 && !stream_) failure = EIO;
  errno = 0;
  if (file_.is_open() && file_.close() == nullptr && failure == 0) {
    failure = errno != 0 ? errno : EIO;
  }
  if (hidden_.empty()) return failure;
  std::error_code error;
  if (failure == 0) {
    fs::rename(hidden_, output_, error);
    if (error) failure = copyInPlace();
  }
  if (failure != 0 || error) fs::remove(hidden_, error);
  hidden_.clear();
  return failure;
}

// Where a rename cannot replace the output after all (a device the file
// system did not show as one, a file another program holds open on Windows,
// a bind mount), the finished text is copied into it, as opening it for
// writing would have done.
int OutputFile::copyInPlace() {
  std::ifstream text(hidden_, std::ios::binary);
  std::filebuf target;
  errno = 0;
  if (!text ||
      target.open(output_, std::ios::binary | std::ios::out | std::ios::trunc) == nullptr) {
    return errno != 0 ? errno : EIO;
  }
  CheckedOutputBuffer checked(target);
  std::ostream(&checked) << text.rdbuf() << std::flush;
  errno = 0;
  const bool closed = target.close() != nullptr;
  if (checked.error() != 0) return checked.error();
  return closed ? 0 : (errno != 0 ? errno : EIO);
}
