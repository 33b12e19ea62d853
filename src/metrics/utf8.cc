#include "metrics/utf8.h"

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The bytes that follow a lead byte, and the range of the first of them,
// which rules out overlong forms, surrogates and code points past U+10FFFF.
struct LeadByte {
  std::size_t following;
  unsigned char low, high;
};

LeadByte leadByte(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return {1, 0x80, 0xBF};
  if (byte == 0xE0) return {2, 0xA0, 0xBF};
  if (byte == 0xED) return {2, 0x80, 0x9F};
  if (byte >= 0xE1 && byte <= 0xEF) return {2, 0x80, 0xBF};
  if (byte == 0xF0) return {3, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {3, 0x80, 0xBF};
  if (byte == 0xF4) return {3, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

Utf8Sequence utf8Sequence(std::string_view bytes, std::size_t at) {
  const auto first = static_cast<unsigned char>(bytes[at]);
  if (first < 0x80) return {1, true};
  const LeadByte lead = leadByte(first);
  if (lead.following == 0) return {1, false};
  unsigned char low = lead.low;
  unsigned char high = lead.high;
  for (std::size_t next = 1; next <= lead.following; ++next) {
    if (at + next >= bytes.size()) return {next, false};
    const auto byte = static_cast<unsigned char>(bytes[at + next]);
    if (byte < low || byte > high) return {next, false};
    low = 0x80;
    high = 0xBF;
  }
  return {lead.following + 1, true};
}

bool isValidUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const Utf8Sequence sequence = utf8Sequence(bytes, at);
    if (!sequence.valid) return false;
    at += sequence.length;
  }
  return true;
}

std::string toValidUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + 2);
  for (std::size_t at = 0; at < bytes.size();) {
    const Utf8Sequence sequence = utf8Sequence(bytes, at);
    if (sequence.valid) {
      text.append(bytes, at, sequence.length);
    } else {
      text.append(kReplacement);
    }
    at += sequence.length;
  }
  return text;
}
