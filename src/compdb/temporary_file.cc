#include "compdb/temporary_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::string randomName(std::string_view suffix) {
  std::random_device source;
  constexpr char kDigits[] = "0123456789abcdef";
  std::string name = "cludemap-";
  for (int i = 0; i < 4; ++i) {
    for (unsigned bits = source(), n = 0; n < 4; ++n, bits >>= 4) name += kDigits[bits & 15];
  }
  return name += suffix;
}

}  // namespace

std::optional<TemporaryFile> TemporaryFile::create(std::string_view suffix,
                                                   std::string_view content, std::string& error) {
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
  error = "cannot write a temporary file in " + directory.string();
  return std::nullopt;
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
  const std::size_t separator = path_.find_last_of("/\\");
  return std::string_view(path_).substr(separator == std::string::npos ? 0 : separator + 1);
}

std::optional<std::string> TemporaryFile::read() const {
  std::ifstream in(fs::path(path_), std::ios::binary);
  if (!in) return std::nullopt;
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return text;
}
