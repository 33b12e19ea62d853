// An output stream buffer that remembers why writing failed.
#ifndef CLUDEMAP_APP_CHECKED_OUTPUT_H_
#define CLUDEMAP_APP_CHECKED_OUTPUT_H_

#include <streambuf>

// Passes everything written to it on to `target` unchanged and keeps the
// errno of the first write or flush that `target` refused. A standard stream
// only keeps that a write failed, and the scan's file operations replace
// errno long before the driver gets to look.
class CheckedOutputBuffer : public std::streambuf {
 public:
  explicit CheckedOutputBuffer(std::streambuf& target) : target_(target) {}

  // 0 while everything has been accepted; else the errno of the first
  // failure, or EIO when that failure set none. Flush the stream first to
  // cover what `target` still buffers.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  void noteFailure();

  std::streambuf& target_;
  int error_ = 0;
};

#endif  // CLUDEMAP_APP_CHECKED_OUTPUT_H_
