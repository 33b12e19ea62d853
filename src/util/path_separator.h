// Which bytes separate the components of a path, and where each rule
// applies: the one place that says so.
//
// - System paths are split as the system splits them: at '/', and on
//   Windows at '\' too; elsewhere '\' is a byte of a file name. These are
//   the paths of a compile database and the paths a report shows a person.
// - Paths written for either system are split at '/' and '\' on every
//   system: names in directives (#include "sys\types.h"), the headers,
//   include directories and output of the command line, and the paths the
//   scan builds from them, all of which reach a POSIX file system with each
//   '\' made '/' (nativeName, scan/path_spelling.h); and a compile database
//   entry's compiler where its file name tells cl from other compilers
//   (C:\VC\bin\cl.exe).
//
// The paths the tool builds join components with '/', which every system
// takes; only a relative path shown to a person uses kSystemSeparator.
#ifndef CLUDEMAP_UTIL_PATH_SEPARATOR_H_
#define CLUDEMAP_UTIL_PATH_SEPARATOR_H_

#include <string_view>

#if defined(_WIN32)
inline constexpr char kSystemSeparator = '\\';
#else
inline constexpr char kSystemSeparator = '/';
#endif

// Whether `c` separates components of a system path.
constexpr bool isSystemSeparator(char c) { return c == '/' || c == kSystemSeparator; }

// Whether the system path `path` holds a separator: a path, not a name to
// look up in PATH.
constexpr bool hasSystemSeparator(std::string_view path) {
  for (const char c : path) {
    if (isSystemSeparator(c)) return true;
  }
  return false;
}

// The bytes that separate components of a path written for either system.
inline constexpr std::string_view kNameSeparators = "/\\";

// Whether `c` separates components of a path written for either system.
constexpr bool isNameSeparator(char c) { return c == '/' || c == '\\'; }

#endif  // CLUDEMAP_UTIL_PATH_SEPARATOR_H_
