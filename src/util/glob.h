// Shell-style wildcard patterns matched against whole names.
#ifndef CLUDEMAP_UTIL_GLOB_H_
#define CLUDEMAP_UTIL_GLOB_H_

#include <string_view>

// True when `pattern` matches all of `text`, byte by byte:
// - `*` matches any run of bytes, '/' included, and the empty one;
// - `?` matches one byte;
// - `[...]` matches one byte of a class: single bytes and ranges such as
//   `a-z`, the whole class negated by a leading `!` or `^`; a `]` right after
//   the opening (and negation) is a member, and a `-` first or last is one
//   too. A `[` without a closing `]` matches itself;
// - a backslash makes the next byte match itself; a trailing one matches a
//   backslash.
// Time is at most proportional to the pattern's length times the text's,
// whatever the pattern: a failed match after a `*` only moves that star on.
bool globMatch(std::string_view pattern, std::string_view text);

#endif  // CLUDEMAP_UTIL_GLOB_H_
