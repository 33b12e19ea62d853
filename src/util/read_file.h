// Reading a whole input file into memory: the one file reader of the
// inputs besides the headers (the compile database, the --compare
// baseline). The headers have readers of their own, built for speed.
#ifndef CLUDEMAP_UTIL_READ_FILE_H_
#define CLUDEMAP_UTIL_READ_FILE_H_

#include <cstddef>
#include <string>

#include "util/error.h"

// The bytes of the file `path`, read to its end (a pipe as much as a
// regular file), followed by `padding` zero bytes: room that parsers
// reading whole blocks past the end may need. Fails (kUnusableInput) with
// the reason as the system gives it ("No such file or directory"), or "read
// error" where it gives none.
Expected<std::string> readWholeFile(const std::string& path, std::size_t padding = 0);

#endif  // CLUDEMAP_UTIL_READ_FILE_H_
