// printf-style filling of the tool's fixed message and statement texts.
#ifndef CLUDEMAP_UTIL_TEXT_FORMAT_H_
#define CLUDEMAP_UTIL_TEXT_FORMAT_H_

#include <initializer_list>
#include <string>
#include <string_view>

// Appends `format` to `out` with each "%s" or "%d" replaced by the next
// argument, byte for byte. The arguments are already text: callers convert
// numbers and escape labels themselves. Surplus placeholders are dropped.
void appendFormat(std::string& out, std::string_view format,
                  std::initializer_list<std::string_view> args);

#endif  // CLUDEMAP_UTIL_TEXT_FORMAT_H_
