// A file of the run's own in the system's temporary directory, for another
// program to read or write.
#ifndef CLUDEMAP_COMPDB_TEMPORARY_FILE_H_
#define CLUDEMAP_COMPDB_TEMPORARY_FILE_H_

#include <string>
#include <string_view>

#include "util/error.h"

class TemporaryFile {
 public:
  // A new file "cludemap-RANDOM`suffix`" in the temporary directory
  // (std::filesystem::temp_directory_path), holding `content`. Fails
  // (kUnusableInput: what needs it cannot ask its program) with "cannot
  // write a temporary file in DIRECTORY".
  static Expected<TemporaryFile> create(std::string_view suffix, std::string_view content);

  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&& other) noexcept;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  // Removes the file, whoever wrote it last.
  ~TemporaryFile();

  // The path in the platform's form, for another program's command line.
  const std::string& path() const { return path_; }
  // The file name alone, which other programs echo in what they print.
  std::string_view name() const;
  // The whole content as it is now (readWholeFile, util/read_file.h).
  Expected<std::string> read() const;

 private:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  void remove();

  std::string path_;  // "" once moved from
};

#endif  // CLUDEMAP_COMPDB_TEMPORARY_FILE_H_
