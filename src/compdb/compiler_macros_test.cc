#include "compdb/compiler_macros.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "compdb/compiler_query.h"
#include "compdb/program_run.h"
#include "testing/test_support.h"

namespace fs = std::filesystem;

namespace {

Expected<CompilerMacros> askCompiler(const Strings& command, const std::string& file) {
  Expected<CompilerMacros> macros =
      queryCompilerMacros(compilerConfiguration(command[0], command, file, "/"));
  EXPECT_TRUE(macros) << macros.error().message;
  return macros;
}

std::string valueOf(const CompilerMacros& macros, const std::string& name) {
  for (const PredefinedMacro& macro : macros.predefined) {
    if (macro.name == name) return macro.replacement;
  }
  return "(none)";
}

// The names `text` defines anywhere, whatever the conditions around them.
std::set<std::string> definedNames(const std::string& text) {
  const std::regex definition("define[ \t]+([A-Za-z_0-9]+)");
  std::set<std::string> names;
  for (std::sregex_iterator at(text.begin(), text.end(), definition), end; at != end; ++at) {
    names.insert((*at)[1]);
  }
  return names;
}

}  // namespace

// The standard and the language change the predefined macros; C gets the
// C compiler's search list, without the C++ library's directories.
TEST(CompilerMacros, FollowTheStandardAndTheLanguage) {
  const Expected<CompilerMacros> cxx17 = askCompiler({"g++", "-std=c++17"}, "a.cc");
  const Expected<CompilerMacros> cxx20 = askCompiler({"g++", "-std=c++20"}, "a.cc");
  const Expected<CompilerMacros> c = askCompiler({"g++", "-std=c11"}, "a.c");
  ASSERT_TRUE(cxx17 && cxx20 && c);
  EXPECT_EQ(valueOf(*cxx17, "__cplusplus"), "201703L");
  EXPECT_EQ(valueOf(*cxx20, "__cplusplus"), "202002L");
  EXPECT_EQ(valueOf(*c, "__cplusplus"), "(none)");
  EXPECT_EQ(valueOf(*c, "__STDC_VERSION__"), "201112L");
  const auto hasCxxLibrary = [](SourceLanguage language) {
    const Expected<CompilerDirectories> lists = queryCompiler("g++", language);
    EXPECT_TRUE(lists) << lists.error().message;
    const Strings angle = lists ? lists->angle : Strings();
    return std::any_of(angle.begin(), angle.end(), [](const std::string& directory) {
      return directory.find("/c++/") != std::string::npos;
    });
  };
  EXPECT_TRUE(hasCxxLibrary(SourceLanguage::kCxx));
  EXPECT_FALSE(hasCxxLibrary(SourceLanguage::kC));
}

// The predefined macros and those of the pre-includes are the macros the
// compiler lists as defined after its start (-dM); the pre-includes' own
// are not among the predefined ones. GCC pre-includes stdc-predef.h.
TEST(CompilerMacros, SetThePreIncludesApart) {
  for (const char* compiler : {"g++", "gcc", "clang++", "clang"}) {
    SCOPED_TRACE(compiler);
    const Expected<CompilerMacros> macros = askCompiler({compiler}, "a.h");
    ASSERT_TRUE(macros);
    std::set<std::string> predefined;
    for (const PredefinedMacro& macro : macros->predefined) predefined.insert(macro.name);
    std::set<std::string> reachable = predefined;
    for (const std::string& file : macros->preIncludes) {
      EXPECT_TRUE(fs::is_regular_file(file)) << file;
      for (const std::string& name : definedNames(readFile(file))) {
        reachable.insert(name);
        EXPECT_EQ(predefined.count(name), 0U) << name;
      }
    }
    const char* language = languageOption(sourceLanguageOf({}, "a.h", compiler));
    const Expected<ProgramOutput> all =
        runProgram(compiler, {"-dM", "-E", "-x", language, "-"}, {});
    ASSERT_TRUE(all) << all.error().message;
    for (const std::string& name : definedNames(all->output)) {
      EXPECT_EQ(reachable.count(name), 1U) << name;
    }
    if (compiler[0] == 'g') {
      ASSERT_EQ(macros->preIncludes.size(), 1U);
      EXPECT_EQ(fs::path(macros->preIncludes[0]).filename(), "stdc-predef.h");
    }
  }
}

// Line markers nest and carry escaped names; a file entered from outside
// any file is a probe or a pre-include, and the order of the three kinds of
// file is the order the compiler entered them in.
TEST(CompilerMacros, ReadsTheDump) {
  const std::optional<CompilerMacros> macros = parseMacroDump(
      "# 0 \"<built-in>\"\r\n#define A 1\r\n#define F(x, y) ((x) + (y))\n#define E \n"
      "#undef A\n# 1 \"/t/inc.h\" 1\n#define INSIDE 1\n# 1 \"/t/nested.h\" 1 3\n"
      "# 2 \"/t/inc.h\" 2\n#define INSIDE2\n# 0 \"<command-line>\" 2\n"
      "# 1 \"C:\\\\pre\\\\st\\144c \\\"x\\\".h\" 1 3 4\n#define PRE\n# 9 \"C:\\\\pre\\\\x.h\" 3\n"
      "# 0 \"<command-line>\" 2\n# 1 \"/t/mac.h\" 1\n# 1 \"<built-in>\" 2\n#define B 2\n",
      "mac.h", "inc.h");
  ASSERT_TRUE(macros);
  Strings lines;
  for (const PredefinedMacro& macro : macros->predefined) {
    lines.push_back(macro.name + "|" + macro.replacement + "|" + macro.line);
  }
  EXPECT_EQ(lines, (Strings{"F|((x) + (y))|#define F(x, y) ((x) + (y))", "E||#define E ",
                            "B|2|#define B 2"}));
  EXPECT_EQ(macros->preIncludes, Strings{"C:\\pre\\stdc \"x\".h"});
  using Kind = StartStep::Kind;
  EXPECT_EQ(macros->fileOrder,
            (std::vector<Kind>{Kind::kInclude, Kind::kPreInclude, Kind::kMacrosOf}));
  EXPECT_FALSE(parseMacroDump("#define A 1\n", "m.h", "i.h"));
}

// The compiler gets the configuration's options, the language, two probe
// files and an output file, and its order of files becomes the order of the
// start steps; its failures are named.
TEST(CompilerMacros, RunsTheCompilerWithProbes) {
  const fs::path fake = freshDirectory() / "fake-c++";
  writeFiles(fake.parent_path(), {{"fake-c++", R"sh(#!/bin/sh
[ "$1 $2 $3 $4 $5 $6 $8 ${10} ${12}" = "-std=c++17 -x c++ -dD -E -imacros -include -o -" ] &&
  [ "$LC_ALL" = C ] || { echo "unexpected: $*"; exit 3; }
printf '%s\n' '# 0 "<built-in>"' '#define __cplusplus 201703L' "# 1 \"$7\" 1" \
  '# 0 "<command-line>" 2' '# 1 "/usr/include/pre.h" 1 3 4' '# 0 "<command-line>" 2' \
  "# 1 \"$9\" 1" '# 0 "<command-line>" 2' >"${11}"
)sh"}});
  fs::permissions(fake, fs::perms::owner_all);
  const CompilerConfiguration configuration = compilerConfiguration(
      fake.string(), {"g++", "-include", "i.h", "-std=c++17", "-imacros", "m.h", "-UX", "-DY"},
      "a.cc", "/");
  const Expected<CompilerMacros> macros = queryCompilerMacros(configuration);
  ASSERT_TRUE(macros) << macros.error().message;
  EXPECT_EQ(describeMacroSources(configuration, *macros),
            "macros: 1 predefined by " + fake.string() +
                " -std=c++17 -x c++, then:\n  -UX\n  -DY\n  -imacros m.h\n"
                "  pre-include /usr/include/pre.h\n  -include i.h\n");
  const Expected<CompilerMacros> failed =
      queryCompilerMacros(compilerConfiguration(fake.string(), {}, "a.c", "/"));
  ASSERT_FALSE(failed);
  const std::string expected = "the compiler " + fake.string() +
                               " listed no predefined macros (exit status 3): unexpected: -x c "
                               "-dD -E -imacros ";
  EXPECT_EQ(failed.error().message.substr(0, expected.size()), expected);
  const Expected<CompilerMacros> missing =
      queryCompilerMacros(compilerConfiguration("no-such-cc", {}, "a.c", "/"));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message,
            "cannot run the compiler no-such-cc: no such file or directory");
  EXPECT_EQ(missing.error().category, ErrorCategory::kUnusableInput);
}
