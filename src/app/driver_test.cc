#include "app/driver.h"

#include <gtest/gtest.h>

TEST(RootPathFromArgument, StripsAQuoteThatReachedTheProgram) {
  EXPECT_EQ(rootPathFromArgument("dir/a.h"), "dir/a.h");
  EXPECT_EQ(rootPathFromArgument("\"dir\\a.h\""), "dir\\a.h");
  // The last character goes whatever it is.
  EXPECT_EQ(rootPathFromArgument("\"dir/a.h"), "dir/a.");
  EXPECT_EQ(rootPathFromArgument("\""), "");
  EXPECT_EQ(rootPathFromArgument("\"\""), "");
  EXPECT_EQ(rootPathFromArgument(""), "");
  EXPECT_EQ(rootPathFromArgument("a\"b\""), "a\"b\"");
}

TEST(ParseIncludePath, SplitsSkipsEmptyEntriesAndEndsEachWithASeparator) {
  EXPECT_EQ(parseIncludePath("", ':'), SystemIncludeDirs{});
  EXPECT_EQ(parseIncludePath("/usr/include", ':'), SystemIncludeDirs{"/usr/include/"});
  EXPECT_EQ(parseIncludePath("::a:b/::c\\:", ':'), (SystemIncludeDirs{"a/", "b/", "c\\"}));
  EXPECT_EQ(parseIncludePath("C:\\inc;D:/x/", ';'), (SystemIncludeDirs{"C:\\inc/", "D:/x/"}));
}
