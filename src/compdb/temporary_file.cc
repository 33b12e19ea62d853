#include "compdb/temporary_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "util/hex.h"
#include "util/path_separator.h"
#include "util/read_file.h"

namespace fs = std::filesystem;

namespace {

std::string randomName(std::string_view suffix) {
  std::random_device source;
  std::string name = "cludemap-";
  for (int i = 0; i < 4; ++i) {
    for (unsigned bits = source(), n = 0; n < 4; ++n, bits >>= 4) name += hexDigit(bits);
  }
  return name += suffix;
}

}  // namespace

Expected<TemporaryFile> TemporaryFile::create(std::string_view suffix, std::string_view content) {
  std::error_code problem;
  const fs::path directory = fs::temp_directory_path(problem);
  for (int attempt = 0; attempt < 16 && !problem; ++attempt) {
    const fs::path path = directory / randomName(suffix);
    // A name already taken is left to its owner.
    if (fs::symlink_status(path, problem).type() != fs::file_type::not_found) continue;
    problem.clear();
    TemporaryFile file(path.string());
    std::ofstream out(path, std::ios::binary);
    if (out.write(content.data(), static_cast<std::streamsize>(content.size())) && out.flush()) {
      return file;
    }
    break;
  }
  return Error{ErrorCategory::kUnusableInput,
               "cannot write a temporary file in " + directory.string()};
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : path_(std::exchange(other.path_, std::string())) {}

TemporaryFile& TemporaryFile::operator=(TemporaryFile&& other) noexcept {
  if (this != &other) {
    remove();
    path_ = std::exchange(other.path_, std::string());
  }
  return *this;
}

TemporaryFile::~TemporaryFile() { remove(); }

void TemporaryFile::remove() {
  if (path_.empty()) return;
  std::error_code ignored;
  fs::remove(fs::path(path_), ignored);
}

std::string_view TemporaryFile::name() const {
  const auto separator =
      std::find_if(path_.rbegin(), path_.rend(), [](char c) { return isSystemSeparator(c); });
  return std::string_view(path_).substr(static_cast<std::size_t>(path_.rend() - separator));
}

Expected<std::string> TemporaryFile::read() const { return readWholeFile(path_); }
