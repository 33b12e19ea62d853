// A whole-project run reads each file once and resolves names once per
// distinct search list, however many start files share them.
#include <gtest/gtest.h>

#include <sstream>

#include "app/run_config.h"
#include "scan/scan.h"
#include "testing/test_support.h"

namespace {

// 1,000 source files over 50 shared headers, each file's entry naming one
// of three variant directories before the shared one: three search lists,
// one of them written in two ways.
TEST(WholeProject, ReadsEachFileOnce) {
  constexpr int kSources = 1000;
  constexpr int kHeaders = 50;
  const std::filesystem::path dir = freshDirectory();
  Files files = {{"shared/base.h", ""},
                 {"v0/cfg.h", "#include <base.h>\n"},
                 {"v1/cfg.h", ""},
                 {"v2/cfg.h", ""}};
  for (int i = 0; i < kHeaders; ++i) {
    files.emplace_back(
        "shared/h" + std::to_string(i) + ".h",
        "#include <cfg.h>\n#include \"h" + std::to_string((i + 1) % kHeaders) + ".h\"\n");
  }
  std::string database = "[";
  for (int i = 0; i < kSources; ++i) {
    const std::string source = "src/f" + std::to_string(i) + ".cc";
    files.emplace_back(source, "#include <h" + std::to_string(i % kHeaders) + ".h>\n");
    const std::string variant = "v" + std::to_string(i % 3);
    const std::string options =
        i % 2 == 0 ? "-I" + variant + " -Ishared" : "-I " + variant + " -I ./shared/";
    database += i == 0 ? "" : ",";
    database += R"({"directory": ".", "file": ")" + source + R"(", "command": "cc )";
    database += options + R"( -c x.c"})";
  }
  files.emplace_back("compile_commands.json", database + "]");
  writeFiles(dir, files);
  const std::string databasePath = (dir / "compile_commands.json").string();
  const char* const argv[] = {"cludemap", "-p", databasePath.c_str(), "--all", "-"};
  const CommandLine line = parseCommandLine(5, argv);
  std::ostringstream verbose;
  const Expected<RunConfig> config = makeRunConfig(line, verbose);
  ASSERT_TRUE(config) << config.error().message;
  EXPECT_EQ(config->scan.searchLists.size(), 3U);
  EXPECT_EQ(config->scan.starts.size(), static_cast<std::size_t>(kSources));
  std::ostringstream warningText;
  WarningSink warnings(warningText);
  const ScanResult result = scanIncludes(config->scan, warnings);
  EXPECT_EQ(warningText.str(), "");
  EXPECT_EQ(result.filesRead, files.size() - 1);  // all but the database
}

// Each entry's compiler is asked in the entry's language, once a language:
// a C source gets the directories of the C compiler.
TEST(WholeProject, AsksTheCompilerInEachEntrysLanguage) {
  const std::filesystem::path dir = freshDirectory();
  writeFiles(dir, {{"cc",
                    "#!/bin/sh\necho \"$3\" >>\"$0.log\"\nprintf '%s\\n' "
                    "'#include <...> search starts here:' \" /$3\" 'End of search list.' >&2\n"},
                   {"compile_commands.json", R"([
                     {"directory": ".", "file": "a.c", "command": "./cc -c a.c"},
                     {"directory": ".", "file": "b.cc", "command": "./cc -c b.cc"},
                     {"directory": ".", "file": "c.c", "command": "./cc -x c++ -c c.c"},
                     {"directory": ".", "file": "d.c", "command": "./cc -c d.c"}])"}});
  std::filesystem::permissions(dir / "cc", std::filesystem::perms::owner_all);
  const std::string databasePath = (dir / "compile_commands.json").string();
  const char* const argv[] = {"cludemap",         "-p", databasePath.c_str(), "--all",
                              "--query-compiler", "-"};
  std::ostringstream verbose;
  const Expected<RunConfig> config = makeRunConfig(parseCommandLine(6, argv), verbose);
  ASSERT_TRUE(config) << config.error().message;
  std::string lists;
  for (const StartFile& start : config->scan.starts) {
    lists += std::filesystem::path(start.path).filename().string() + ":";
    for (const auto& entry : config->scan.searchLists[start.searchList].entries()) {
      lists += entry.prefix + " ";
    }
  }
  EXPECT_EQ(lists, "a.c:/c/ b.cc:/c++/ c.c:/c++/ d.c:/c/ ");
  EXPECT_EQ(readFile(dir / "cc.log"), "c\nc++\n");
}

}  // namespace
