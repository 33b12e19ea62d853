// The built tool run on header trees made in scratch directories, one table
// row per run: files, command line, and the expected standard output,
// standard error, exit status and DOT file, byte for byte. Graphviz reads
// every DOT file written. Rows that name a model run take the expectations
// left at kModel from the model, and their literal ones must match the model
// too, which pins the model to the rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "app/driver.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kModel = "(from the model)";
const std::string kNoFile = "(no file)";
const std::string kUsage = "Usage: cludemap (.h file) (.png file)\n";

// DOT text from compact statements: "3 a.h" is node 3 labelled a.h, "3-2" a
// midnightblue edge from node 3 to node 2, "3~2" an orange one.
std::string dot(const std::string& statements) {
  std::string text;
  std::istringstream in(statements);
  for (std::string item; std::getline(in, item, '|');) {
    const std::size_t mark = item.find_first_of(" -~");
    const int id = std::stoi(item);
    text += item[mark] == ' ' ? modelNode(id, item.substr(mark + 1))
                              : modelEdge(id, std::stoi(item.substr(mark + 1)), item[mark] == '-');
  }
  return modelDotFile(text);
}

struct Case {
  Case(std::string row, Files tree, Strings modelRun, Strings commandLine = {},
       std::string stdoutText = kModel, std::string dotFile = kModel, int exitStatus = 0,
       std::string stderrText = "", Strings environment = {}, bool posix = false,
       void (*makeFiles)(Case&) = nullptr)
      : name(std::move(row)),
        files(std::move(tree)),
        model(std::move(modelRun)),
        args(std::move(commandLine)),
        out(std::move(stdoutText)),
        dotText(std::move(dotFile)),
        status(exitStatus),
        err(std::move(stderrText)),
        env(std::move(environment)),
        posixOnly(posix),
        make(makeFiles) {}
  std::string name;
  Files files;    // content "@fifo" makes a FIFO, "@link:TARGET" a symbolic link
  Strings model;  // the model's start path and include directories, if any
  Strings args;   // by default the model's start path and out.dot
  std::string out, dotText;
  int status;
  std::string err;
  Strings env;
  bool posixOnly;
  void (*make)(Case&);  // adds large files just before the run
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

Case large(const std::string& name, const std::string& root, void (*make)(Case&)) {
  return Case(name, {}, {root}, {}, kModel, kModel, 0, "", {}, false, make);
}

std::string repeat(const std::string& text, std::size_t times) {
  std::string repeated;
  while (times-- > 0) repeated += text;
  return repeated;
}

const Files kSpecialFiles = {
    {"top.h",
     "#include \"sub/x.h\"\n#include \"/dev/zero\"\n#include \"/dev/null\"\n"
     "#include \"dangling.h\"\n#include \"loop.h\"\n#include \"linked.h\"\n"},
    {"sub/x.h", "#include \"\"\n#include \"../fifo\"\n#include \"../sub\"\n"},
    {"fifo", "@fifo"},
    {"dangling.h", "@link:nowhere.h"},
    {"loop.h", "@link:loop.h"},
    {"linked.h", "@link:real/r.h"},
    {"real/r.h", "#include \"inner.h\"\n"},
    {"inner.h", ""}};

const Files kOptionFiles = {
    {"a.h", "#include <b.h>\n"}, {"-a.h", "#include <b.h>\n"}, {"inc/b.h", ""}};

// Every candidate includes the missing "mark", which is warned about under
// the directory the candidate was read from.
const Files kFallbackFiles = {
    {"top/a.h",
     "#include \"x.h\"\n#include \"y.h\"\n#include \"z.h\"\n#include \"w.h\"\n"
     "#include \"d.h\"\n#include \"v.h\"\n#include <v.h>\n"},
    {"top/x.h", "#include \"mark\""},
    {"inc1/x.h", "#include \"mark\""},
    {"inc2/q.h", "#include \"mark\""},
    {"inc1/q.h", "#include \"mark\""},
    {"env/y.h", "#include \"mark\""},
    {"env/z.h", "#include \"mark\""},
    {"env/d.h", "#include \"mark\""},
    {"inc1/v.h", "#include \"mark\""},
    {"inc2/v.h", "#include \"mark\""},
    {"inc2/y.h", "#include \"q.h\""},
    {"inc1/d.h/x", ""},
    {"inc2/d.h", "@fifo"}};

std::vector<Case> cases() {
  return {
      {"no_arguments", {}, {}, {}, kUsage, kNoFile, 255},
      {"three_arguments", kOptionFiles, {}, {"a.h", "out.dot", "--", "-I"}, kUsage, kNoFile, 255},
      {"unknown_option",
       kOptionFiles,
       {},
       {"-x", "a.h", "out.dot"},
       kUsage,
       kNoFile,
       255,
       "cludemap: unknown option -x\n"},
      {"trailing_include_option",
       kOptionFiles,
       {},
       {"a.h", "out.dot", "-I"},
       kUsage,
       kNoFile,
       255,
       "cludemap: option -I needs a directory\n"},
      {"version", {}, {}, {"--version", "-x"}, "cludemap " CLUDEMAP_VERSION "\n", kNoFile},
      {"help", {}, {}, {"a.h", "--help", "-x"}, std::string(kHelpText), kNoFile},
      {"include_option", kOptionFiles, {"a.h", "inc/"}, {"-I", "inc", "a.h", "out.dot"}},
      {"attached_include_option", kOptionFiles, {"a.h", "inc/"}, {"-Iinc", "a.h", "out.dot"}},
      {"options_after_arguments", kOptionFiles, {"a.h", "inc/"}, {"a.h", "out.dot", "-I", "inc"}},
      {"empty_include_option", kOptionFiles, {"a.h"}, {"-I", "", "a.h", "out.dot"}},
      {"end_of_options", kOptionFiles, {"-a.h", "inc/"}, {"-Iinc", "--", "-a.h", "out.dot"}},
      {"dash_as_start_path", kOptionFiles, {"-", "inc/"}, {"-Iinc", "-", "out.dot"}},
      {"quoted_names_fall_back_to_include_directories",
       kFallbackFiles,
       {"top/a.h", "inc1/", "inc2/", "env/"},
       {"-I", "inc1", "top/a.h", "-Iinc2/", "out.dot"},
       "WARNING: Cannot find file top/mark\nWARNING: Cannot find file inc2/mark\n"
       "WARNING: Cannot find file env/mark\nWARNING: Cannot find file top/w.h\n"
       "WARNING: Cannot find file env/mark\nWARNING: Cannot find file inc1/mark\n"
       "WARNING: Cannot find file inc1/mark\n",
       dot("1 top/a.h|2 x.h|2-1|3 mark|3-2|4 y.h|4-1|5 q.h|5-4|3 mark|3~5|6 z.h|6-1|3 mark|3~6|"
           "7 w.h|7-1|8 d.h|8-1|3 mark|3~8|9 v.h|9-1|3 mark|3~9|10 <v.h>|10-1|3 mark|3~10"),
       0,
       "",
       {"CLUDEMAP_INCLUDE_PATH=env"},
       true},
      {"road_of_one_header",
       {{"src/app.h", "#include \"util/str.h\"\n"},
        {"src/util/str.h", "#include \"../cfg.h\"\n"},
        {"src/cfg.h", ""}},
       {"src/app.h"},
       {},
       "",
       dot("1 src/app.h|2 util/str.h|2-1|3 ../cfg.h|3-2")},
      {"cycle",
       {{"a.h", "#include \"b.h\"\n"}, {"b.h", "#include \"a.h\""}},
       {"a.h"},
       {},
       "",
       dot("1 a.h|2 b.h|2-1|1 a.h|1~2|2 b.h|2~1")},
      {"diamond_and_repeats",
       {{"a.h", "#include \"b.h\"\n#include \"c.h\"\n#include \"c.h\"\n"},
        {"b.h", "#include \"d.h\"\n"},
        {"c.h", "#include \"d.h\"\n"},
        {"d.h", "#include \"e.h\""},
        {"e.h", ""}},
       {"a.h"},
       {},
       "",
       dot("1 a.h|2 b.h|2-1|3 d.h|3-2|4 e.h|4-3|5 c.h|5-1|3 d.h|3~5|4 e.h|4~3|5 c.h|5~1")},
      {"messages",
       {{"a.h",
         "#include\t\"t.h\"\n#include_next \"n.h\"\r\n#include <none.h>\n#include \"gone.h\"\n"
         "#include \"open.h\n#include <open.h\n#include\n"}},
       {"a.h"},
       {},
       "Warning: In file: a.h, line #include\t\"t.h\"\n is malformatted.\n"
       "Warning: In file: a.h, line #include_next \"n.h\"\r is malformatted.\n"
       "WARNING: Cannot open file: <none.h>\nWARNING: Cannot find file gone.h\n"
       "WARNING: Cannot find file open.h\n\nWARNING: Cannot open file: <open.h\n>\n"
       "Warning: In file: a.h, line #include\n is malformatted.\n",
       dot("1 a.h|2 gone.h|2-1|3 open.h\n|3-1")},
      {"include_path_and_escapes",
       {{"a.h", "#include <q\"t.h>\n#include \"sub\\b.h\"\n"},
        {"sys/q\"t.h", ""},
        {"sub/b.h", "#include \"c.h\"\n"},
        {"sub/c.h", ""}},
       {"a.h", "missing/", "sys/"},
       {},
       "",
       dot("1 a.h|2 <q\"t.h>|2-1|3 sub\\b.h|3-1|4 c.h|4-3"),
       0,
       "",
       {"CLUDEMAP_INCLUDE_PATH=::missing:sys"}},
      {"empty_start_path", {}, {""}, {}, "WARNING: Cannot find file \n", dot("")},
      {"lone_quote_as_start_path", {}, {"\""}},
      {"output_is_overwritten", {{"a.h", ""}, {"out.dot", "old"}}, {"a.h"}},
      {"special_files", kSpecialFiles, {"top.h"}, {}, kModel, kModel, 0, "", {}, true},
      {"fifo_as_start_path", kSpecialFiles, {"fifo"}, {}, kModel, kModel, 0, "", {}, true},
      {"missing_output_directory",
       {{"a.h", "#include \"gone.h\""}},
       {},
       {"a.h", "no/out.dot"},
       "WARNING: Cannot find file gone.h\n",
       kNoFile,
       1,
       "cludemap: cannot write no/out.dot: No such file or directory\n"},
      {"directory_as_output",
       {{"a.h", ""}},
       {},
       {"a.h", "."},
       "",
       kNoFile,
       1,
       "cludemap: cannot write .: Is a directory\n",
       {},
       true},
      {"full_disk",
       {{"a.h", ""}},
       {},
       {"a.h", "/dev/full"},
       "",
       kNoFile,
       1,
       "cludemap: cannot write /dev/full: No space left on device\n",
       {},
       true},
      large("bundled_example", "station.h",
            [](Case& c) {
              const fs::path source = CLUDEMAP_SOURCE_DIR;
              for (const auto& entry : fs::recursive_directory_iterator(source / "example")) {
                const fs::path path = fs::relative(entry.path(), source / "example");
                if (entry.is_regular_file())
                  c.files.emplace_back(path.string(), readFile(entry.path()));
              }
              c.dotText = readFile(source / "docs/example.dot");
            }),
      large("deep_chain", "h0.h",
            [](Case& c) {
              c.model.clear();
              c.out = "";
              c.dotText = "1 h0.h";
              for (int i = 1; i <= 100000; ++i) {
                const std::string name = "h" + std::to_string(i) + ".h";
                c.files.emplace_back("h" + std::to_string(i - 1) + ".h",
                                     "#include \"" + name + "\"");
                c.dotText += "|" + std::to_string(i + 1) + " " + name + "|" +
                             std::to_string(i + 1) + "-" + std::to_string(i);
              }
              c.files.emplace_back("h100000.h", "");
              c.dotText = dot(c.dotText);
            }),
      // With ids packed into 16-bit halves the pair (1, 65537) would collide
      // with (2, 1), which b.h expands first.
      large("more_labels_than_16_bits_hold", "a.h",
            [](Case& c) {
              c.files = {{"b.h", "#include \"a.h\""}, {"65537.h", "#include \"z.h\""}, {"z.h", ""}};
              std::string root = "#include \"b.h\"\n";
              for (int id = 3; id <= 65537; ++id)
                root += "#include \"" + std::to_string(id) + ".h\"\n";
              c.files.emplace_back("a.h", root);
            }),
      large("fifty_megabyte_line", "a.h",
            [](Case& c) {
              c.files = {{"a.h", repeat("#includ/#Include", 50 << 16) + "\n#include \"b.h\""}};
            }),
      large("fifty_megabyte_unclosed_name", "a.h",
            [](Case& c) {
              c.files = {
                  {"a.h", "#include \"" + repeat(std::string(63, 'n') + "\\", 50 << 14) + "\n"}};
            }),
      large("million_empty_lines", "a.h",
            [](Case& c) {
              c.files = {{"a.h", std::string(1000000, '\n') + "#include \"b.h\""},
                         {"b.h", repeat("\r\n", 1000000) + "#include \"c.h\"\r\n"},
                         {"c.h", ""}};
            }),
      large("zero_bytes", "a.h",
            [](Case& c) {
              const std::string zeros(1 << 20, '\0');
              c.files = {
                  {"a.h", zeros + "\n#include \"b" + zeros + ".h\"\n#include \"z.h\"" + zeros},
                  {"z.h", zeros + "#include \"c.h\""}};
            }),
      large("executable_as_header", "a.h",
            [](Case& c) {
              c.files = {{"a.h", readFile(CLUDEMAP_BINARY) + "\n#include \"b.h\""}};
            }),
      large("self_inclusion_under_ten_spellings", "x.h",
            [](Case& c) {
              std::string header;
              for (int dots = 0; dots < 10; ++dots)
                header += "#include \"" + repeat("./", dots) + "x.h\"\n";
              c.files = {{"x.h", header}};
            }),
  };
}

class EndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEnd, Run) {
  Case c = GetParam();
  if (c.posixOnly && windowsTarget()) {
    GTEST_SKIP() << "POSIX only";
  }
  if (c.args.empty() && !c.model.empty()) c.args = {c.model[0], "out.dot"};
  if (c.make != nullptr) c.make(c);
  const fs::path dir = freshDirectory();
  for (const auto& [path, content] : c.files) {
    if (content == "@fifo") {
      ASSERT_EQ(mkfifo((dir / path).c_str(), 0600), 0);
    } else if (content.rfind("@link:", 0) == 0) {
      fs::create_symlink(content.substr(6), dir / path);
    } else {
      writeFiles(dir, {{path, content}});
    }
  }
  const CommandResult result = runTool(c.args, dir, c.env);
  ToolOutput model;
  if (!c.model.empty())
    model = runModel(c.model[0], Strings(c.model.begin() + 1, c.model.end()), dir);
  const auto expected = [&](const std::string& stated, const std::string& modelled) {
    if (stated == kModel) return modelled;
    if (!c.model.empty()) {
      EXPECT_EQ(textDifference("model", modelled, stated), "");
    }
    return stated;
  };
  EXPECT_EQ(textDifference("stdout", result.out, textMode(expected(c.out, model.warnings))), "");
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(result.status, c.status);
  if (c.dotText == kNoFile) {
    EXPECT_FALSE(fs::exists(dir / "out.dot"));
  } else {
    const std::string dotText = textMode(expected(c.dotText, model.dot));
    EXPECT_EQ(textDifference("DOT", readFile(dir / "out.dot"), dotText), "");
    EXPECT_EQ(graphvizErrors(dir / "out.dot"), "");
  }
}

INSTANTIATE_TEST_SUITE_P(, EndToEnd, ::testing::ValuesIn(cases()),
                         [](const auto& row) { return row.param.name; });

TEST(Model, EscapesAndBreaksLabels) {
  EXPECT_EQ(modelEscape("a\\b\"c\rd\n"), "a\\\\b\\\"c\\rd\\n");
  EXPECT_EQ(modelEscape(std::string(4095, 'x') + "\\" + std::string(4096, 'y') + "\""),
            std::string(4095, 'x') + "\\\\\\\n" + std::string(4096, 'y') + "\\\n\\\"");
}

}  // namespace
