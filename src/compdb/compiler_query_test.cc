#include "compdb/compiler_query.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "compdb/search_report.h"
#include "testing/test_support.h"

namespace fs = std::filesystem;

TEST(CompilerQuery, AsksTheCompilerOfThisMachine) {
  const Expected<CompilerDirectories> directories = queryCompiler("g++", SourceLanguage::kCxx);
  ASSERT_TRUE(directories) << directories.error().message;
  const Strings& angle = directories->angle;
  EXPECT_GT(angle.size(), 1U);
  EXPECT_NE(std::find(angle.begin(), angle.end(), "/usr/include"), angle.end());
}

// The compiler gets the query's words, the C locale and empty input, and may
// fail once it has printed the list; one that prints none is named.
TEST(CompilerQuery, RunsTheCompilerWithoutAShell) {
  const fs::path fake = freshDirectory() / "with space" / "fake-cc";
  writeFiles(fake.parent_path(), {{"fake-cc", R"sh(#!/bin/sh
[ "$*" = "-E -x c++ -v -" ] && [ "$LC_ALL" = C ] && [ -z "$(cat)" ] || exit 3
printf '%s\n' 'ignoring nonexistent directory "/x"' '#include "..." search starts here:' \
  ' /q one' '#include <...> search starts here:' ' /a' ' /F (framework directory)' \
  ' /b' 'End of search list.' ' /c' >&2
exit 1
)sh"}});
  fs::permissions(fake, fs::perms::owner_all);
  // Input waits on the test's own standard input, which the compiler must
  // not read.
  const int saved = dup(0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "int x;", 6), 6);
  close(ends[1]);
  dup2(ends[0], 0);
  close(ends[0]);
  const Expected<CompilerDirectories> directories =
      queryCompiler(fake.string(), SourceLanguage::kCxx);
  dup2(saved, 0);
  close(saved);
  ASSERT_TRUE(directories) << directories.error().message;
  EXPECT_EQ(directories->quote, Strings{"/q one"});
  EXPECT_EQ(directories->angle, (Strings{"/a", "/b"}));
  const std::pair<const char*, const char*> failures[] = {
      {"no-such-compiler-here",
       "cannot run the compiler no-such-compiler-here: no such file or directory"},
      {"false", "the compiler false reported no include search list (exit status 1)"},
  };
  for (const auto& [compiler, expected] : failures) {
    const Expected<CompilerDirectories> failed = queryCompiler(compiler, SourceLanguage::kCxx);
    ASSERT_FALSE(failed) << compiler;
    EXPECT_EQ(failed.error().message, expected);
    EXPECT_EQ(failed.error().category, ErrorCategory::kUnusableInput);
  }
}

TEST(CompilerQuery, ReadsTheVerboseLayoutBack) {
  const Strings quote = {"/q", "/r s"};
  const Strings angle = {"C:/a"};
  const std::optional<CompilerDirectories> read =
      parseSearchList(describeSearchLists(quote, angle));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->quote, quote);
  EXPECT_EQ(read->angle, angle);
  const std::optional<CompilerDirectories> windows =
      parseSearchList("#include <...> search starts here:\r\n C:\\x \r\nEnd of search list.\r\n");
  ASSERT_TRUE(windows);
  EXPECT_EQ(windows->angle, Strings{"C:\\x"});
  EXPECT_FALSE(parseSearchList("#include <...> search starts here:\n /a\n"));
  EXPECT_FALSE(parseSearchList("End of search list.\n"));
}
