#include "compdb/compiler_configuration.h"

#include <gtest/gtest.h>

#include "compdb/command_split.h"
#include "testing/test_support.h"

TEST(SourceLanguage, FollowsTheOptionThenTheExtensionThenTheCompiler) {
  const struct {
    Strings arguments;
    const char* file;
    const char* compiler;
    SourceLanguage expected;
  } rows[] = {
      {{}, "a.c", "g++", SourceLanguage::kC},
      {{}, "a.C", "gcc", SourceLanguage::kCxx},
      {{}, "a.mm", "clang", SourceLanguage::kCxx},
      {{}, "d.x/a.h", "g++", SourceLanguage::kCxx},
      {{}, "a.h", "/usr/bin/x86_64-linux-gnu-gcc-12", SourceLanguage::kC},
      {{}, "a.h", "C:/mingw/CLANG-14.EXE", SourceLanguage::kC},
      {{}, "a.h", "clang++-14", SourceLanguage::kCxx},
      {{}, "a.hpp", "cc", SourceLanguage::kCxx},
      {{"gcc", "-x", "c++", "a.c"}, "a.c", "gcc", SourceLanguage::kCxx},
      {{"g++", "-xc", "-x", "c-header", "a.cc"}, "a.cc", "g++", SourceLanguage::kC},
      {{"gcc", "-x", "c++", "-x", "none", "a.c"}, "a.c", "g++", SourceLanguage::kC},
      {{"gcc", "-x", "objective-c++-header", "a.h"}, "a.h", "gcc", SourceLanguage::kCxx},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(sourceLanguageOf(row.arguments, row.file, row.compiler), row.expected)
        << row.file << " " << row.compiler;
  }
}

// The options that change the compiler's answers are kept in order, with
// their values; -D, -U, -include and -imacros are set apart in order; the
// values of other options are never read as options.
TEST(CompilerConfiguration, PicksTheOptionsThatChangeTheCompilersAnswers) {
  const CompilerConfiguration configuration = compilerConfiguration(
      "c++",
      splitPosixCommand("g++ -I -mno-sse -o -O3 -std=c++17 -DX=1 -U Y -include a.h -imacros "
                        "-fplugin -fno-exceptions -fdiagnostics-color -fplugin=x.so -x c++ "
                        "-target arm-linux -c f.c -pthread -Wall -g -MF -O0 '-DF(a)=a' -Xclang "
                        "-fno-rtti -O2 -mavx2 -isysroot /s -includeb.h -D"),
      "/src/f.c", "/src");
  using Kind = StartStep::Kind;
  EXPECT_EQ(configuration.compiler, "c++");
  EXPECT_EQ(configuration.language, SourceLanguage::kCxx);
  EXPECT_EQ(configuration.options, (Strings{"-std=c++17", "-fno-exceptions", "-target", "arm-linux",
                                            "-pthread", "-O2", "-mavx2", "-isysroot", "/s"}));
  EXPECT_EQ(configuration.commandLine, (std::vector<StartStep>{{Kind::kDefine, "X=1"},
                                                               {Kind::kUndefine, "Y"},
                                                               {Kind::kInclude, "a.h"},
                                                               {Kind::kMacrosOf, "-fplugin"},
                                                               {Kind::kDefine, "F(a)=a"},
                                                               {Kind::kInclude, "b.h"}}));
  const std::pair<StartStep, const char*> directives[] = {
      {{Kind::kDefine, "X"}, "#define X 1"},
      {{Kind::kDefine, "X="}, "#define X "},
      {{Kind::kDefine, "F(a,b)=a=b\nc"}, "#define F(a,b) a=b"},
      {{Kind::kUndefine, "X"}, "#undef X"},
      {{Kind::kInclude, "X"}, ""},
  };
  for (const auto& [step, directive] : directives) EXPECT_EQ(macroDirective(step), directive);
}

// Entries share the compiler's answers when only -D, -U or forced includes
// set them apart, and share everything when only options the compiler's
// answers ignore do.
TEST(CompilerConfiguration, KeysTellConfigurationsApart) {
  const struct {
    const char* command;
    const char* directory;
    bool sameQuestions;
    bool same;
  } rows[] = {
      {"g++ -std=c++17 -O2 -Wall -DA -Iinc -include p.h f.cc", "/s", true, true},
      {"g++ -std=c++20 -O2 -DA -include p.h f.cc", "/s", false, false},
      {"g++ -std=c++17 -O0 -DA -include p.h f.cc", "/s", false, false},
      {"g++ -std=c++17 -O2 -DA -include p.h f.c", "/s", false, false},
      {"g++ -std=c++17 -O2 -DB -include p.h f.cc", "/s", true, false},
      {"g++ -std=c++17 -O2 -DA -imacros p.h f.cc", "/s", true, false},
      {"g++ -std=c++17 -O2 -DA -include p.h f.cc", "/t", true, false},
  };
  const auto configuration = [](const std::string& command, const std::string& directory) {
    const Strings words = splitPosixCommand(command);
    return compilerConfiguration("g++", words, directory + "/" + words.back(), directory);
  };
  const CompilerConfiguration reference =
      configuration("g++ -std=c++17 -O2 -DA -include p.h f.cc", "/s");
  for (const auto& row : rows) {
    const CompilerConfiguration other = configuration(row.command, row.directory);
    EXPECT_EQ(other.questionKey() == reference.questionKey(), row.sameQuestions) << row.command;
    EXPECT_EQ(other.key() == reference.key(), row.same) << row.command;
  }
  // An absolute forced include is the same file from every directory.
  EXPECT_EQ(configuration("g++ -include /p.h f.cc", "/s").key(),
            configuration("g++ -include /p.h f.cc", "/t").key());
}
