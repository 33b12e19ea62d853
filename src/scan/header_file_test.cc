#include "scan/header_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "testing/test_support.h"

namespace {

using namespace std::string_literals;

std::string pathOf(const TempDir& dir, const std::string& name) {
  return (dir.path() / name).string();
}

TEST(ReadHeaderFile, ReadsEveryByteWhateverTheBufferHeld) {
  TempDir dir;
  const std::string large(300000, 'x');
  const std::string small = "#include \"a.h\"\r\n\0tail"s;
  dir.write("large.h", large);
  dir.write("small.h", small);
  dir.write("empty.h", "");
  ReadBuffer buffer;
  // One buffer for all reads, as the scan uses it: it grows past the first
  // size and is then larger than the files read after.
  std::optional<std::string_view> bytes = readHeaderFile(pathOf(dir, "large.h"), buffer);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, large);
  bytes = readHeaderFile(pathOf(dir, "small.h"), buffer);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, small);
  bytes = readHeaderFile(pathOf(dir, "empty.h"), buffer);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "");
}

TEST(ReadHeaderFile, OnlyReadsRegularFiles) {
  TempDir dir;
  dir.write("sub/a.h", "x");
  ReadBuffer buffer;
  EXPECT_FALSE(readHeaderFile(pathOf(dir, "missing.h"), buffer));
  EXPECT_FALSE(readHeaderFile(pathOf(dir, "sub"), buffer));
  EXPECT_FALSE(readHeaderFile(pathOf(dir, "sub") + "/", buffer));
#if !defined(_WIN32)
  ASSERT_EQ(mkfifo(pathOf(dir, "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(readHeaderFile(pathOf(dir, "fifo"), buffer));
  EXPECT_FALSE(readHeaderFile("/dev/zero", buffer));
  // A backslash opens as a separator.
  const std::optional<std::string_view> bytes = readHeaderFile(pathOf(dir, "sub\\a.h"), buffer);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "x");
#endif
}

TEST(IsDirectory, TellsDirectoriesFromFiles) {
  TempDir dir;
  dir.write("sub/a.h", "x");
  EXPECT_TRUE(isDirectory(pathOf(dir, "sub")));
  EXPECT_FALSE(isDirectory(pathOf(dir, "sub/a.h")));
  EXPECT_FALSE(isDirectory(pathOf(dir, "none")));
}

}  // namespace
