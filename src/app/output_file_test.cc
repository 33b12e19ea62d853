#include "app/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__linux__)
#include <sched.h>
#include <sys/mount.h>
#endif

#include <climits>
#include <csignal>
#include <sstream>
#include <thread>

#include "testing/test_support.h"

namespace fs = std::filesystem;

static std::size_t entries(const fs::path& dir) {
  return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
}

// The message of the failure, or "".
static std::string writeWhole(OutputFile&& file, const fs::path& path, const std::string& text) {
  std::optional<Error> error = file.open(path, "out");
  if (!error) {
    file.stream() << text;
    error = file.commit();
  }
  return error ? error->message : "";
}

// New files, files with odd modes and links are replaced whole. A file size
// limit (SIGXFSZ ignored) stops one write midway, and one output is
// abandoned: both leave the old file and no hidden one.
TEST(OutputFile, ReplacesWholeFilesKeepingModesAndLinks) {
  const fs::path dir = freshDirectory();
  writeFiles(dir, {{"old.dot", "old"}, {"target.dot", "old"}, {"kept.dot", "old"}});
  fs::permissions(dir / "old.dot", fs::perms(0604));
  fs::create_symlink("target.dot", dir / "link.dot");
  for (const char* name : {"new.dot", "old.dot", "link.dot"}) {
    EXPECT_EQ(writeWhole(OutputFile(), dir / name, "new"), "");
    EXPECT_EQ(readFile(dir / name), "new");
  }
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(fs::status(dir / "new.dot").permissions(), fs::perms(0666 & ~mask));
  EXPECT_EQ(fs::status(dir / "old.dot").permissions(), fs::perms(0604));
  EXPECT_TRUE(fs::is_symlink(dir / "link.dot"));
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small = {4096, saved.rlim_max};
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_EQ(writeWhole(OutputFile(), dir / "kept.dot", std::string(1 << 20, 'x')),
            "cannot write out: File too large");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  OutputFile().open(dir / "kept.dot", "kept.dot");
  EXPECT_EQ(readFile(dir / "kept.dot"), "old");
  EXPECT_EQ(entries(dir), 5U);
  std::ostringstream standardOutput;
  EXPECT_EQ(writeWhole(OutputFile(&standardOutput), "-", "text"), "");
  EXPECT_EQ(standardOutput.str(), "text");
}

// Where no hidden file fits beside the output (its name too long to
// extend) or renaming it over the output fails (a file mounted over it, in a
// mount namespace of the test's own), the text is written in place, and a
// longer old file cut to its length.
TEST(OutputFile, WritesInPlaceCuttingTheOldFile) {
  const fs::path dir = freshDirectory();
  const fs::path longName = dir / std::string(NAME_MAX - 10, 'n');
  writeFiles(
      dir,
      {{longName.filename().string(), "old, longer"}, {"mounted", "old, longer"}, {"out", ""}});
  EXPECT_EQ(writeWhole(OutputFile(), longName, "new"), "");
  EXPECT_EQ(readFile(longName), "new");
#if defined(__linux__)
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
      mount((dir / "mounted").c_str(), (dir / "out").c_str(), nullptr, MS_BIND, nullptr)) {
    GTEST_SKIP() << "no mount namespace to write over a mounted file in";
  }
  EXPECT_EQ(writeWhole(OutputFile(), dir / "out", "new"), "");
  EXPECT_EQ(readFile(dir / "mounted"), "new");
  EXPECT_EQ(entries(dir), 3U);
  umount((dir / "out").c_str());
#endif
}

// The built tool writes a graph of some 25 MB over a larger, different file
// and is killed at once, or that many milliseconds after the directory shows
// that writing has begun.
TEST(OutputFile, KilledRunLeavesTheOldOrTheNewFile) {
  const fs::path dir = freshDirectory();
  std::string header;
  for (int i = 0; i < 100000; ++i) header += "#include \"" + std::to_string(i) + ".h\"\n";
  const std::string old(40 << 20, 'o');
  const auto run = [&](std::optional<int> killAfter) {
    writeFiles(dir, {{"a.h", header}, {"out.dot", old}});
    const std::size_t files = entries(dir);
    const pid_t child = fork();
    if (child == 0 && chdir(dir.c_str()) == 0 && freopen("/dev/null", "w", stdout) != nullptr) {
      execl(CLUDEMAP_BINARY, CLUDEMAP_BINARY, "a.h", "out.dot", nullptr);
    }
    if (child == 0) _exit(127);
    siginfo_t ended{};  // WNOWAIT: the child stays ours to kill until waited for
    std::error_code error;
    while (killAfter >= 0 && waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           ended.si_pid == 0 && entries(dir) == files &&
           fs::file_size(dir / "out.dot", error) == old.size()) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    if (killAfter) {
      std::this_thread::sleep_for(std::chrono::milliseconds(*killAfter));
      kill(child, SIGKILL);
    }
    int status = 0;
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
