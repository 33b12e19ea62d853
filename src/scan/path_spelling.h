// How the tool spells and joins the paths of headers. They are built from
// names in directives, which '/' and '\' split on every system
// (util/path_separator.h); the paths the tool builds use '/'.
#ifndef CLUDEMAP_SCAN_PATH_SPELLING_H_
#define CLUDEMAP_SCAN_PATH_SPELLING_H_

#include <optional>
#include <string>
#include <string_view>

// The path of `name` beside the header at `includerPath`: each directory
// component of the includer's path (every separator ends one, possibly
// empty; the file name is not one) followed by '/', then the name as
// written. "a\b/c.h" and "d.h" give "a/b/d.h"; "/x/y.h" and "d.h" give
// "/x/d.h"; "c.h" and "d.h" give "d.h".
std::string pathBeside(std::string_view includerPath, std::string_view name);

// An include directory as a prefix that a name is appended to: the
// directory as given, with a '/' added when it ends in no separator. An
// empty directory gives an empty prefix, which callers skip: it would
// otherwise stand for the working directory.
std::string directoryPrefix(std::string_view directory);

// The first directory component of `name` ("boost" of "boost/any.hpp", ""
// of "/x.h"), or nothing when the name has no separator.
std::optional<std::string_view> firstComponent(std::string_view name);

// The name handed to the file system: where the native separator is '/',
// every '\' becomes '/', so names written for either separator open alike.
// Returns `path` itself when it needs no change, which is nearly always, or
// else the changed name in `changed`. Letter case is kept.
const std::string& nativeName(const std::string& path, std::string& changed);

#endif  // CLUDEMAP_SCAN_PATH_SPELLING_H_
