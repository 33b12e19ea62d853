#include "util/hex.h"

namespace {

// The value of the digit `c`, or -1.
int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string hexBytes(std::string_view bytes) {
  std::string hex;
  hex.reserve(2 * bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += hexDigit(byte >> 4U);
    hex += hexDigit(byte);
  }
  return hex;
}

std::optional<std::string> bytesFromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    const int high = digitValue(hex[at]);
    const int low = digitValue(hex[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}
