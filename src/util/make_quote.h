// File names in make's rules.
#ifndef CLUDEMAP_UTIL_MAKE_QUOTE_H_
#define CLUDEMAP_UTIL_MAKE_QUOTE_H_

#include <string>
#include <string_view>

// `name` as make reads one file name, quoted as compilers quote their
// dependency rules: a blank or '#' gets a backslash, and '$' is "$$".
std::string makeQuoted(std::string_view name);

#endif  // CLUDEMAP_UTIL_MAKE_QUOTE_H_
