#include "app/checked_output.h"

#include <cerrno>

// errno is cleared before each call into `target_`, so that a failure that
// sets none is not blamed on an older error.

CheckedOutputBuffer::int_type CheckedOutputBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  errno = 0;
  const int_type result = target_.sputc(traits_type::to_char_type(c));
  if (traits_type::eq_int_type(result, traits_type::eof())) noteFailure();
  return result;
}

std::streamsize CheckedOutputBuffer::xsputn(const char* text, std::streamsize count) {
  errno = 0;
  const std::streamsize written = target_.sputn(text, count);
  if (written < count) noteFailure();
  return written;
}

int CheckedOutputBuffer::sync() {
  errno = 0;
  const int result = target_.pubsync();
  if (result != 0) noteFailure();
  return result;
}

void CheckedOutputBuffer::noteFailure() {
  if (error_ == 0) error_ = errno != 0 ? errno : EIO;
}
