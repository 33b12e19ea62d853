// An output file that a stopped or failed run leaves whole.
#ifndef CLUDEMAP_APP_OUTPUT_FILE_H_
#define CLUDEMAP_APP_OUTPUT_FILE_H_

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/checked_output.h"
#include "util/error.h"

// The error (kOutput) of a failed write to the output that messages call
// `name`: "cannot write NAME: reason", the reason that of errno `error`.
Error writeFailure(std::string_view name, int error);

// Writes an output file so that, wherever the run stops, the file holds
// either its old content or the complete new one. The text goes to a new
// file beside the output (same directory, a hidden name of its own), and
// commit() renames that over the output once all of it is written and
// flushed. A new output gets the permissions of any new file (the umask
// applies); an existing one keeps its permission bits. A symbolic link is
// followed: its target gets the new content, and the link stays.
//
// The text is written in place instead, as opening the file for writing
// does, where renaming cannot stand in for that:
// - "-", when a standard output stream is given;
// - an output that is not a regular file: a FIFO or a device such as
//   /dev/null is written to, never replaced (nor cut);
// - a regular file this user may not write, which stays refused;
// - a dangling symbolic link, whose target the open creates;
// - where no file can be made beside the output (a directory this user may
//   not write in, a name too long to extend);
// - where renaming fails after all: the finished text is then copied in.
// A run killed while writing leaves its hidden file behind.
class OutputFile {
 public:
  // `standardOutput`, when given, receives the text for the path "-";
  // without it, "-" is a file name like any other.
  explicit OutputFile(std::ostream* standardOutput = nullptr);
  // Removes the hidden file unless commit() has put it in place.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Starts writing to `path`, which messages call `name`. Fails with
  // writeFailure's error.
  std::optional<Error> open(const std::filesystem::path& path, std::string_view name);
  // Where the text goes, byte for byte (binary: line ends as written).
  std::ostream& stream() { return stream_; }
  // Flushes and closes what open() started and puts the new file in place.
  // Fails with writeFailure's error for the first failure (EIO where it set
  // no errno); after a failure the hidden file is gone and the output as it
  // was.
  std::optional<Error> commit();

 private:
  int start(const std::filesystem::path& path);
  bool startHiddenFile(const std::filesystem::path& output);
  int finish();
  int copyInPlace();
  void writeTo(std::streambuf& target);

  std::ostream* standardOutput_;
  std::string name_;
  std::filebuf file_;
  std::optional<CheckedOutputBuffer> checked_;
  std::ostream stream_{nullptr};
  std::filesystem::path output_;
  std::filesystem::path hidden_;  // empty when writing in place
};

#endif  // CLUDEMAP_APP_OUTPUT_FILE_H_
