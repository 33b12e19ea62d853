#include "app/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sstream>
#include <thread>

#include "testing/test_support.h"

namespace fs = std::filesystem;

namespace {

std::size_t entries(const fs::path& dir) {
  return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
}

int writeWhole(OutputFile&& file, const fs::path& path, const std::string& text) {
  if (const int error = file.open(path)) return error;
  file.stream() << text;
  return file.commit();
}

unsigned modeBits(const fs::path& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

}  // namespace

// New files, files with odd modes and links are replaced whole. A file size
// limit (SIGXFSZ ignored) stops one write midway, and one output is
// abandoned: both leave the old file and no hidden one.
TEST(OutputFile, ReplacesWholeFilesKeepingModesAndLinks) {
  const fs::path dir = freshDirectory();
  writeFiles(dir, {{"old.dot", "old"}, {"target.dot", "old"}, {"kept.dot", "old"}});
  chmod((dir / "old.dot").c_str(), 0604);
  fs::create_symlink("target.dot", dir / "link.dot");
  for (const char* name : {"new.dot", "old.dot", "link.dot"}) {
    EXPECT_EQ(writeWhole(OutputFile(), dir / name, "new"), 0);
    EXPECT_EQ(readFile(dir / name), "new");
  }
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(modeBits(dir / "new.dot"), 0666 & ~mask);
  EXPECT_EQ(modeBits(dir / "old.dot"), 0604U);
  EXPECT_TRUE(fs::is_symlink(dir / "link.dot"));
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small = {4096, saved.rlim_max};
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_EQ(writeWhole(OutputFile(), dir / "kept.dot", std::string(1 << 20, 'x')), EFBIG);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  OutputFile(nullptr).open(dir / "kept.dot");  // abandoned
  EXPECT_EQ(readFile(dir / "kept.dot"), "old");
  EXPECT_EQ(entries(dir), 5U);
  std::ostringstream standardOutput;
  EXPECT_EQ(writeWhole(OutputFile(&standardOutput), "-", "text"), 0);
  EXPECT_EQ(standardOutput.str(), "text");
}

// The built tool writes a graph of some 25 MB over a larger, different file
// and is killed at once, and at moments after the output directory shows
// that writing has begun.
TEST(OutputFile, KilledRunLeavesTheOldOrTheNewFile) {
  const fs::path dir = freshDirectory();
  std::string header;
  for (int i = 0; i < 100000; ++i) header += "#include \"" + std::to_string(i) + ".h\"\n";
  writeFiles(dir, {{"a.h", header}});
  const std::string old(40 << 20, 'o');
  // Killed that long after writing begins (-1: at once), or not at all.
  const auto run = [&](std::optional<int> killAfterMilliseconds) {
    writeFiles(dir, {{"out.dot", old}});
    const std::size_t files = entries(dir);
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(dir.c_str()) == 0 && freopen("/dev/null", "w", stdout) != nullptr) {
        execl(CLUDEMAP_BINARY, CLUDEMAP_BINARY, "a.h", "out.dot", nullptr);
      }
      _exit(127);
    }
    int status = 0;
    bool ended = false;
    std::error_code error;
    while (killAfterMilliseconds >= 0 && !(ended = waitpid(child, &status, WNOHANG) == child) &&
           entries(dir) == files && fs::file_size(dir / "out.dot", error) == old.size()) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    if (!ended && killAfterMilliseconds) {
      std::this_thread::sleep_for(std::chrono::milliseconds(*killAfterMilliseconds));
      kill(child, SIGKILL);
    }
    if (!ended) waitpid(child, &status, 0);
    return status;
  };
  ASSERT_EQ(run(std::nullopt), 0);
  const std::string complete = readFile(dir / "out.dot");
  ASSERT_GT(complete.size(), std::size_t{20} << 20);
  for (const int milliseconds : {-1, 0, 1, 2, 5, 10, 20, 50, 100, 200, 500}) {
    run(milliseconds);
    const std::string left = readFile(dir / "out.dot");
    EXPECT_TRUE(left == old || left == complete) << "killed " << milliseconds << " ms in";
  }
}
