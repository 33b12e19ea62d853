// Paths worked out on their text alone, without asking the file system: a
// compile database names files that need not exist (generated sources, a
// build made on another machine), and its paths are compared by hundreds.
//
// A path in normal form is absolute, has '/' as its only separator and holds
// no empty, "." or ".." component and no trailing separator. Its root is "/";
// on Windows "X:/" (drive letter in upper case) or "//" for a network path.
// ".." is resolved by dropping the component before it, which is what the
// file system does unless that component is a symbolic link.
#ifndef CLUDEMAP_COMPDB_LEXICAL_PATH_H_
#define CLUDEMAP_COMPDB_LEXICAL_PATH_H_

#include <cstddef>
#include <string>
#include <string_view>

// True for a path that names the same file from every directory: "/..." and,
// on Windows, "X:\...", "X:/..." and "\\...".
bool isAbsolutePath(std::string_view path);

// `path` in normal form, resolved against `base` when relative. `base` must
// be absolute. On Windows a path rooted without a drive ("\x") takes the
// drive of `base`.
std::string absolutePath(std::string_view base, std::string_view path);

// The directory part of a path in normal form: "/a/b" gives "/a", "/a" and
// "/" give "/".
std::string_view parentPath(std::string_view normal);

// The last component of a path in normal form.
std::string_view fileName(std::string_view normal);

// How many whole leading components two paths in normal form share; the
// root "/" counts as none, a drive as one ("/a/bc" and "/a/b" share 1).
std::size_t sharedComponents(std::string_view a, std::string_view b);

#endif  // CLUDEMAP_COMPDB_LEXICAL_PATH_H_
