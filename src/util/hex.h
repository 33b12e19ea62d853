// Bytes as hexadecimal digits and back: the one hex table of the tool.
#ifndef CLUDEMAP_UTIL_HEX_H_
#define CLUDEMAP_UTIL_HEX_H_

#include <optional>
#include <string>
#include <string_view>

inline constexpr char kHexDigits[] = "0123456789abcdef";

// The lower-case digit of the low four bits of `value`.
constexpr char hexDigit(unsigned value) { return kHexDigits[value & 0xFU]; }

// `bytes` as lower-case digits, two a byte, the high four bits first.
std::string hexBytes(std::string_view bytes);

// The bytes `hex` spells as hexBytes writes them, digits of either letter
// case; nothing for an odd number of digits or a character that is none.
std::optional<std::string> bytesFromHex(std::string_view hex);

#endif  // CLUDEMAP_UTIL_HEX_H_
