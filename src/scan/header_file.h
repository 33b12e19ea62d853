// File access for the scan: the only place that touches the file system.
#ifndef CLUDEMAP_SCAN_HEADER_FILE_H_
#define CLUDEMAP_SCAN_HEADER_FILE_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The file system name for a path as the tool reads it: where the native
// separator is '/', every '\' becomes '/', so names written for either
// separator open alike. Letter case is kept.
std::filesystem::path fileSystemPath(const std::string& path);

// True when `path` names a directory (or a link to one).
bool isDirectory(const std::string& path);

// Reads the whole content of the regular file (or link to one) `path` into `buffer` and
// returns a view of it there. `buffer` is storage only: it keeps its size
// between calls so that many reads rarely allocate. Returns nothing when the
// path is not a readable regular file or a read fails. Directories, devices,
// FIFOs and sockets are never opened: they could block or never reach end of
// file.
std::optional<std::string_view> readHeaderFile(const std::string& path, std::string& buffer);

#endif  // CLUDEMAP_SCAN_HEADER_FILE_H_
