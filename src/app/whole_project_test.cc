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

}  // namespace
