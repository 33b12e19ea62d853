// File access for the scan: the only place that touches the file system.
#ifndef CLUDEMAP_SCAN_HEADER_FILE_H_
#define CLUDEMAP_SCAN_HEADER_FILE_H_

#include <filesystem>
#include <string>

// The file system name for a path as the tool reads it: where the native
// separator is '/', every '\' becomes '/', so names written for either
// separator open alike. Letter case is kept.
std::filesystem::path fileSystemPath(const std::string& path);

// True when `path` names a regular file (or a link to one) that can be opened
// for reading. Directories, devices, FIFOs and sockets are never read: they
// could block or never reach end of file.
bool isReadableRegularFile(const std::string& path);

// Replaces `bytes` with the whole content of the regular file `path`. Returns
// false, leaving `bytes` unspecified, when the path is not a readable regular
// file or a read fails.
bool readHeaderFile(const std::string& path, std::string& bytes);

#endif  // CLUDEMAP_SCAN_HEADER_FILE_H_
