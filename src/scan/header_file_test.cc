#include "scan/header_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/test_support.h"

#if defined(__linux__)
#include <limits.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

// A header may name any path. Opening a device or a FIFO can act by itself,
// so such a path is not even opened, let alone read.
TEST(HeaderFile, SpecialFilesAreNeverOpened) {
  const std::filesystem::path fifo = freshDirectory() / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
  ReadBuffer buffer;
  EXPECT_FALSE(readHeaderFile(fifo.string(), buffer));
  alignas(inotify_event) char events[sizeof(inotify_event) + NAME_MAX + 1];
  EXPECT_EQ(read(watch, events, sizeof events), -1) << "the FIFO was opened";
  close(watch);
}
#endif

// Resolving a file's directory once for all its files must give what
// resolving each path whole gives, whatever links and steps the path holds.
TEST(HeaderFile, CanonicalPathsAgreeWithWholeResolution) {
  namespace fs = std::filesystem;
  const fs::path dir = freshDirectory();
  writeFiles(dir, {{"real/h.h", ""}, {"real/sub/s.h", ""}});
  fs::create_directory_symlink("real", dir / "dirlink");
  fs::create_symlink("sub/s.h", dir / "real/filelink.h");
  const std::string base = dir.string() + "/";
  CanonicalPaths paths;
  for (const char* path : {"real/h.h", "dirlink/h.h", "dirlink/sub/../h.h", "real/sub/../sub/s.h",
                           "dirlink/filelink.h", "real/./h.h", "real//sub/s.h", "real/missing.h"}) {
    EXPECT_EQ(paths.of(base + path), canonicalPath(base + path)) << path;
    EXPECT_EQ(paths.of(base + path), canonicalPath(base + path)) << path << ", asked again";
  }
  EXPECT_EQ(paths.of(base + "dirlink/h.h"), fs::canonical(dir).string() + "/real/h.h");
}
