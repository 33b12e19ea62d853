#include "scan/header_file.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <limits.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "testing/test_support.h"

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
