#include "app/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <sstream>
#include <thread>

#include "testing/test_support.h"

namespace fs = std::filesystem;

namespace {

Strings entries(const fs::path& directory) {
  Strings names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int writeWhole(const fs::path& path, const std::string& text) {
  OutputFile file;
  if (const int error = file.open(path)) return error;
  file.stream() << text;
  return file.commit();
}

unsigned modeBits(const fs::path& path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return status.st_mode & 07777;
}

}  // namespace

TEST(OutputFile, ReplacesFilesWholeKeepingModesAndLinks) {
  const fs::path dir = freshDirectory();
  writeFiles(dir, {{"old.dot", "old text"}, {"target.dot", "old"}});
  chmod((dir / "old.dot").c_str(), 0604);
  fs::create_symlink("target.dot", dir / "link.dot");
  const mode_t mask = umask(0);
  umask(mask);
  for (const char* name : {"new.dot", "old.dot", "link.dot"}) {
    EXPECT_EQ(writeWhole(dir / name, "new"), 0);
  }
  EXPECT_EQ(entries(dir), (Strings{"link.dot", "new.dot", "old.dot", "target.dot"}));
  for (const char* name : {"new.dot", "old.dot", "target.dot"}) {
    EXPECT_EQ(readFile(dir / name), "new") << name;
  }
  EXPECT_EQ(modeBits(dir / "new.dot"), 0666 & ~mask);
  EXPECT_EQ(modeBits(dir / "old.dot"), 0604U);
  EXPECT_TRUE(fs::is_symlink(dir / "link.dot"));
  std::ostringstream standardOutput;
  OutputFile toStandardOutput(&standardOutput);
  ASSERT_EQ(toStandardOutput.open("-"), 0);
  toStandardOutput.stream() << "text";
  EXPECT_EQ(toStandardOutput.commit(), 0);
  EXPECT_EQ(standardOutput.str(), "text");
}

// A file size limit makes the write fail midway; SIGXFSZ, ignored, would
// otherwise end the test.
TEST(OutputFile, FailedOrAbandonedWriteLeavesTheOldFile) {
  const fs::path dir = freshDirectory();
  writeFiles(dir, {{"out.dot", "old"}});
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_EQ(writeWhole(dir / "out.dot", std::string(1 << 20, 'x')), EFBIG);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  {
    OutputFile abandoned;
    ASSERT_EQ(abandoned.open(dir / "out.dot"), 0);
    abandoned.stream() << "new";
  }
  EXPECT_EQ(readFile(dir / "out.dot"), "old");
  EXPECT_EQ(entries(dir), Strings{"out.dot"});
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
    const Strings files = entries(dir);
    const auto writingBegun = [&] {
      std::error_code error;
      return entries(dir) != files || fs::file_size(dir / "out.dot", error) != old.size();
    };
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(dir.c_str()) == 0 && freopen("/dev/null", "w", stdout) != nullptr) {
        execl(CLUDEMAP_BINARY, CLUDEMAP_BINARY, "a.h", "out.dot", nullptr);
      }
      _exit(127);
    }
    int status = 0;
    bool ended = false;
    while (killAfterMilliseconds >= 0 && !(ended = waitpid(child, &status, WNOHANG) == child) &&
           !writingBegun()) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    if (ended) return status;
    if (killAfterMilliseconds) {
      std::this_thread::sleep_for(std::chrono::milliseconds(*killAfterMilliseconds));
      kill(child, SIGKILL);
    }
    waitpid(child, &status, 0);
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
