#include "compdb/compile_database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "compdb/include_options.h"
#include "compdb/search_report.h"
#include "testing/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string entry(const std::string& directory, const std::string& file) {
  return R"({"directory": ")" + directory + R"(", "file": ")" + file + R"(", "arguments": ["cc"]})";
}

}  // namespace

TEST(CompileDatabase, RejectsBadDatabasesInOneLine) {
  const fs::path dir = freshDirectory();
  fs::create_directories(dir / "empty");
  fs::create_directories(dir / "nested/compile_commands.json");
  std::string big;
  big.append(50'000'000, 'a');
  const std::string deep(1'000'000, '[');
  const std::string good = entry("/b", "a.cc");
  const std::tuple<const char*, std::optional<std::string>, std::string> rows[] = {
      {"absent", std::nullopt, "absent: no such file"},
      {"empty", std::nullopt, "empty/compile_commands.json: no such file"},
      {"nested", std::nullopt, "nested/compile_commands.json: is a directory"},
      {"blank.json", "", "blank.json:1:1: invalid JSON: empty document"},
      {"cut.json", "[\n  " + good.substr(0, 20), "cut.json:2:23: invalid JSON: missing a name"},
      {"comma.json", "[\n{\"directory\": \"/b\"\n \"file\": \"a.cc\"}]",
       "comma.json:3:2: invalid JSON: missing a comma or '}'"},
      {"escapes.json", "[{\"directory\": \"a\\nb\\n\"}\n, x]",
       "escapes.json:2:3: invalid JSON: invalid value"},
      {"nul.json", std::string("[\n\0]", 4), "nul.json:2:1: invalid JSON: a NUL byte"},
      {"after.json", "[" + good + "] x", "after.json:1:60: invalid JSON: text after the end"},
      {"long.json", "[{\"file\": \"" + big,
       "long.json:1:50000012: invalid JSON: missing a closing quote"},
      {"big.json", "[{\"directory\": \"/" + big + "\", \"file\": \"a\", \"command\": 5}]",
       "big.json: entry 1: \"command\" is not a string"},
      {"deep.json", deep, "deep.json:1:1000001: invalid JSON: invalid value"},
      {"closed.json", deep + std::string(1'000'000, ']'), "closed.json: entry 1 is not an object"},
      {"top.json", "{}", "top.json: the top level is not an array"},
      {"none.json", "[]", "none.json: no entries"},
      {"nodir.json", R"([{"file": "a.cc", "command": "cc"}])",
       "nodir.json: entry 1 has no \"directory\""},
      {"dir.json", R"([{"directory": ["/"], "file": "a.cc", "command": "cc"}])",
       "dir.json: entry 1: \"directory\" is not a string"},
      {"nofile.json", R"([{"directory": "/"}])", "nofile.json: entry 1 has no \"file\""},
      {"args.json", "[" + good + R"(, {"directory": "/b", "file": "b", "arguments": ["cc", 1]}])",
       "args.json: entry 2: \"arguments\" is not an array of strings"},
      {"nocommand.json", R"([{"directory": "/b", "file": "a.cc"}])",
       "nocommand.json: entry 1 has no \"arguments\" or \"command\""},
      {"output.json", R"([{"directory": "/", "file": "a", "command": "", "output": {}}])",
       "output.json: entry 1: \"output\" is not a string"},
      {"entry.json", "[" + good + ", 7]", "entry.json: entry 2 is not an object"},
  };
  for (const auto& [name, content, expected] : rows) {
    if (content) writeFiles(dir, {{name, *content}});
    const Expected<CompileDatabase> database = CompileDatabase::load((dir / name).string());
    ASSERT_FALSE(database) << name;
    EXPECT_EQ(database.error().message, (dir / expected).string()) << name;
    EXPECT_EQ(database.error().category, ErrorCategory::kUnusableInput);
  }
}

TEST(CompileDatabase, ChoosesTheEntryForAHeader) {
  const fs::path dir = freshDirectory();
  const std::string entries[] = {entry("/p/build", "../src/b/other.cc"),
                                 entry("/p/src/a", "first.cc"),
                                 entry("/p/build", "/p/src/a/foo.c"),
                                 entry("/p/src/a", "foo.cc"),
                                 entry("/p", "include/x/bar.h"),
                                 entry("/p/src/a/deep", "z.cc"),
                                 entry("/p/lib", "q.cc"),
                                 entry("sub", "../x.cc"),
                                 entry(fs::current_path().string(), "rel.cc")};
  std::string json = "[" + entries[0];
  for (std::size_t i = 1; i < std::size(entries); ++i) json += ",\n" + entries[i];
  writeFiles(dir, {{"compile_commands.json", json + "]"}});
  const Expected<CompileDatabase> database = CompileDatabase::load(dir.string());
  ASSERT_TRUE(database) << database.error().message;
  using M = EntryMatch;
  const std::tuple<std::string, std::size_t, EntryMatch> rows[] = {
      {"/p/include/x/bar.h", 4, M::kSameFile},
      {"/p/src/../src/a/./foo.cc", 3, M::kSameFile},
      {"/p/src/a/foo.h", 2, M::kSameStem},
      {"/p/src/a/foo", 2, M::kSameStem},
      {"/p/src/a/foo.cxx", 1, M::kNearestDirectory},
      {"/p/src/a/deep/y.h", 5, M::kNearestDirectory},
      {"/p/src/a/deep/first.h", 5, M::kNearestDirectory},
      {"/p/lib/sub/w.h", 6, M::kNearestDirectory},
      {"/elsewhere/w.h", 0, M::kNearestDirectory},
      {"/p/src/ab/u.h", 0, M::kNearestDirectory},
      {(dir / "x.h").string(), 7, M::kSameStem},
      {"rel.h", 8, M::kSameStem},
  };
  for (const auto& [header, index, match] : rows) {
    const EntryChoice choice = database->choose(header);
    EXPECT_EQ(choice.index, index) << header;
    EXPECT_EQ(choice.match, match) << header;
  }
}

TEST(CompileDatabase, ReadsCommandsAndArgumentsAsWords) {
  const fs::path dir = freshDirectory();
  writeFiles(dir, {{"db.json", R"([{"directory": "/w", "file": "a.cc", "output": "a.o",
                                    "command": "../tools/cc -I 'a b' -c a.cc"},
                                   {"directory": "/w", "file": "b.cc", "arguments": ["cc", "-I'a b'"]}])"}});
  const Expected<CompileDatabase> database = CompileDatabase::load((dir / "db.json").string());
  ASSERT_TRUE(database) << database.error().message;
  EXPECT_EQ(database->entries()[0].output, "a.o");
  EXPECT_EQ(database->arguments(0), (Strings{"../tools/cc", "-I", "a b", "-c", "a.cc"}));
  EXPECT_EQ(database->compiler(0), "/tools/cc");
  EXPECT_EQ(database->arguments(1), (Strings{"cc", "-I'a b'"}));
  EXPECT_EQ(database->compiler(1), "cc");
}

// A project configured by CMake, for the database it writes.
TEST(CompileDatabase, ReadsTheOptionsCMakeWrites) {
  const fs::path dir = freshDirectory();
  const fs::path source = dir / "src";
  const fs::path build = dir / "build";
  writeFiles(source, {{"CMakeLists.txt", R"(cmake_minimum_required(VERSION 3.13)
project(p CXX)
add_library(lib a.cc b.cc)
target_include_directories(lib PRIVATE inc "with space")
target_include_directories(lib SYSTEM PRIVATE sys)
target_compile_options(lib PRIVATE -iquote ${CMAKE_SOURCE_DIR}/quoted)
)"},
                      {"a.cc", ""},
                      {"b.cc", ""}});
  const std::string log = (dir / "cmake.log").string();
  ASSERT_EQ(std::system((CMAKE_COMMAND " -S '" + source.string() + "' -B '" + build.string() +
                         "' -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >'" + log + "' 2>&1")
                            .c_str()),
            0)
      << readFile(log);
  const Expected<CompileDatabase> database = CompileDatabase::load(build.string());
  ASSERT_TRUE(database) << database.error().message;
  const EntryChoice choice = database->choose((source / "b.h").string());
  const CompileEntry& chosen = database->entries()[choice.index];
  EXPECT_EQ(describeEntryChoice(*database, choice),
            "compile database " + (build / "compile_commands.json").string() +
                ", entry 2 (same stem):\n  file " + (source / "b.cc").string() + "\n  directory " +
                build.string() + "\n");
  const IncludeOptions options =
      includeOptions(database->arguments(choice.index), chosen.directory);
  EXPECT_EQ(options.quote, Strings{(source / "quoted").string()});
  EXPECT_EQ(options.include,
            (Strings{(source / "inc").string(), (source / "with space").string()}));
  EXPECT_EQ(options.system, Strings{(source / "sys").string()});
  EXPECT_TRUE(options.after.empty());
  EXPECT_TRUE(fs::exists(database->compiler(choice.index))) << database->compiler(choice.index);
}
