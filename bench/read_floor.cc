// The benchmark's floor: the least work any run could do on a workload.
//
//   cludemap_read_floor distinct OPEN_LOG LIST
//       Writes to LIST each distinct regular file named in OPEN_LOG (one
//       path a line, as open_log records them), once per file however many
//       names reach it, and prints "FILES BYTES" for them.
//   cludemap_read_floor read LIST DOT_BYTES OUTPUT [READERS]
//       Reads every file of LIST whole, once, and writes DOT_BYTES bytes to
//       OUTPUT: the input a run must read and the output it must write.
//       READERS threads (default 1) share the reading, each taking the next
//       file of the list; with a cold page cache many readers keep the disk
//       busy where one reader waits for each file in turn.
//
// POSIX only, like the rest of the benchmark.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kChunkBytes = 1 << 20;

int listDistinctFiles(const char* logPath, const char* listPath) {
  std::ifstream log(logPath);
  std::ofstream list(listPath);
  std::set<std::pair<dev_t, ino_t>> seen;
  unsigned long long bytes = 0;
  std::string path;
  while (std::getline(log, path)) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
    if (!seen.insert({status.st_dev, status.st_ino}).second) continue;
    bytes += static_cast<unsigned long long>(status.st_size);
    list << path << '\n';
  }
  std::cout << seen.size() << ' ' << bytes << '\n';
  return list ? 0 : 1;
}

bool readWhole(const std::string& path, std::vector<char>& buffer) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  ssize_t count = 0;
  while ((count = read(descriptor, buffer.data(), buffer.size())) > 0) {
  }
  close(descriptor);
  return count == 0;
}

bool writeBytes(const char* outputPath, unsigned long long bytes) {
  const int descriptor = open(outputPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) return false;
  const std::vector<char> chunk(kChunkBytes, 'x');
  while (bytes > 0) {
    const std::size_t size = bytes < kChunkBytes ? static_cast<std::size_t>(bytes) : kChunkBytes;
    if (write(descriptor, chunk.data(), size) != static_cast<ssize_t>(size)) {
      close(descriptor);
      return false;
    }
    bytes -= size;
  }
  return close(descriptor) == 0;
}

// Reads the files of `paths` from the next unclaimed one on until none is
// left; false when one cannot be read.
bool readShare(const std::vector<std::string>& paths, std::atomic<std::size_t>& next) {
  std::vector<char> buffer(kChunkBytes);
  for (std::size_t index = next++; index < paths.size(); index = next++) {
    if (!readWhole(paths[index], buffer)) {
      std::cerr << "cannot read " << paths[index] << '\n';
      return false;
    }
  }
  return true;
}

int readAndWrite(const char* listPath, const char* dotBytes, const char* outputPath,
                 unsigned readers) {
  // The list is read first so that only file access is left in the loop.
  std::vector<std::string> paths;
  std::ifstream list(listPath);
  for (std::string path; std::getline(list, path);) paths.push_back(std::move(path));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> others;
  for (unsigned i = 1; i < readers; ++i) {
    others.emplace_back([&] {
      if (!readShare(paths, next)) failed = true;
    });
  }
  if (!readShare(paths, next)) failed = true;
  for (std::thread& thread : others) thread.join();
  if (failed) return 1;
  return writeBytes(outputPath, std::strtoull(dotBytes, nullptr, 10)) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "distinct" && argc == 4) return listDistinctFiles(argv[2], argv[3]);
  if (mode == "read" && (argc == 5 || argc == 6)) {
    const unsigned long readers = argc == 6 ? std::strtoul(argv[5], nullptr, 10) : 1;
    return readAndWrite(argv[2], argv[3], argv[4],
                        readers < 1 ? 1 : static_cast<unsigned>(readers));
  }
  std::cerr << "usage: cludemap_read_floor distinct OPEN_LOG LIST\n"
               "       cludemap_read_floor read LIST DOT_BYTES OUTPUT [READERS]\n";
  return 2;
}
