#include "compdb/compiler_facts.h"

#include <gtest/gtest.h>

#include "compdb/command_split.h"
#include "testing/test_support.h"

namespace fs = std::filesystem;

// Configurations that differ only in -D, -U, forced includes and their
// directory share one run; a compiler that fails is not asked again.
TEST(CompilerFacts, AsksEachConfigurationOnce) {
  const fs::path fake = freshDirectory() / "cc";
  writeFiles(fake.parent_path(), {{"cc", R"sh(#!/bin/sh
echo "$1" >>"$0.log"
[ "$1" = -std=bad ] && exit 1
while [ $# -gt 1 ]; do [ "$1" = -o ] && printf '# 0 "<built-in>"\n#define A 1\n' >"$2"; shift; done
)sh"}});
  fs::permissions(fake, fs::perms::owner_all);
  CompilerFacts facts;
  const auto of = [&](const char* command, const char* directory) {
    return facts.of(
        compilerConfiguration(fake.string(), splitPosixCommand(command), "f.cc", directory));
  };
  const Expected<CompilerFacts::Facts*> first = of("cc -std=c++17 -DA -include a.h f.cc", "/s");
  ASSERT_TRUE(first) << first.error().message;
  EXPECT_EQ((*first)->macros.predefined.size(), 1U);
  EXPECT_EQ(*of("cc -std=c++17 -UA -imacros b.h f.cc", "/t"), *first);
  EXPECT_NE(*of("cc -std=c++20 f.cc", "/s"), *first);
  for (int time = 0; time < 2; ++time) {
    const Expected<CompilerFacts::Facts*> failed = of("cc -std=bad f.cc", "/s");
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message,
              "the compiler " + fake.string() + " listed no predefined macros (exit status 1)");
  }
  EXPECT_EQ(facts.asked(), 3U);
  EXPECT_EQ(readFile(fake.string() + ".log"), "-std=c++17\n-std=c++20\n-std=bad\n");
}
