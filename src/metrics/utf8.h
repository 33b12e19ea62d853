// Telling well-formed UTF-8 from other bytes in names and paths, which a
// file system hands over as they are.
#ifndef CLUDEMAP_METRICS_UTF8_H_
#define CLUDEMAP_METRICS_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

// The length of the sequence that starts at bytes[at] (at < bytes.size()),
// and whether it is a well-formed UTF-8 character. An ill-formed sequence is
// its maximal subpart: the longest start of a well-formed sequence, or one
// byte, so that each one takes one replacement character.
struct Utf8Sequence {
  std::size_t length;
  bool valid;
};
Utf8Sequence utf8Sequence(std::string_view bytes, std::size_t at);

bool isValidUtf8(std::string_view bytes);

// `bytes` with U+FFFD in place of each ill-formed sequence.
std::string toValidUtf8(std::string_view bytes);

#endif  // CLUDEMAP_METRICS_UTF8_H_
