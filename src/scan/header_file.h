// File access for the scan: the only place that touches the file system.
#ifndef CLUDEMAP_SCAN_HEADER_FILE_H_
#define CLUDEMAP_SCAN_HEADER_FILE_H_

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "scan/once_map.h"

// The file system name for a path as the tool reads it: where the native
// separator is '/', every '\' becomes '/', so names written for either
// separator open alike. Letter case is kept.
std::filesystem::path fileSystemPath(const std::string& path);

// `path` with symbolic links and parent steps resolved, as an absolute
// path; `path` itself where that fails.
std::string canonicalPath(const std::string& path);

// Canonical paths (canonicalPath) of many files in few directories: each
// directory is resolved once, and then a file that is no link costs one
// look-up of its own name instead of one per component. Safe to share
// between threads.
class CanonicalPaths {
 public:
  std::string of(const std::string& path);

 private:
  OnceMap<std::string> directories_;
};

// True when `path` names a regular file (or a link to one) that this
// process may read; the file is looked at, not opened.
bool isReadableFile(const std::string& path);

// True when `path` names a directory (or a link to one).
bool isDirectory(const std::string& path);

// Storage for file reads, kept from read to read so that reads rarely
// allocate. Its bytes are left uninitialised: only what a read fills is
// ever touched, so a buffer grown for one large file costs no more memory
// than that file.
class ReadBuffer {
 public:
  char* data() { return bytes_.get(); }
  std::size_t size() const { return size_; }
  // Makes room for at least `size` bytes; the content is not kept.
  void reserve(std::size_t size);

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
};

// Reads the whole content of the regular file (or link to one) `path` into
// `buffer` and returns a view of it there. Returns nothing when the path is
// not a readable regular file or a read fails. Directories, devices, FIFOs
// and sockets are never read: they could block or never reach end of file.
std::optional<std::string_view> readHeaderFile(const std::string& path, ReadBuffer& buffer);

#endif  // CLUDEMAP_SCAN_HEADER_FILE_H_
