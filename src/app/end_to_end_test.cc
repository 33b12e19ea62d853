// The built tool run on header trees in scratch directories, one table row
// per run: files, command line, and the expected standard output, standard
// error, exit status and DOT file, byte for byte. Graphviz reads every DOT
// file written. Rows that name a model run take the expectations left at
// kModel from the model, and their literal ones must match the model too,
// which pins the model to the rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <rapidjson/document.h>

#include <algorithm>
#include <sstream>

#include "app/driver.h"
#include "testing/test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CLUDEMAP_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CLUDEMAP_SANITIZED 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

const std::string kModel = "(from the model)";
const std::string kNoFile = "(no file)";
const std::string kToFullDisk = "(standard output to /dev/full)";
const std::string kDotOnStdout = "(the DOT text, on standard output)";
const std::string kUsage = "Usage: cludemap (.h file) (.png file)\n";
const std::string kMissing = "WARNING: Cannot find file ";
const std::string kNoHeaderWithAll =
    "cludemap: --all takes no HEADER: the compile database names the start files\n";

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
  std::string name;
  Files files;    // content "@fifo" makes a FIFO, "@link:TARGET" a symbolic link
  Strings model;  // the model's start path and include directories, if any
  Strings args;   // by default the model's start path and out.dot
  std::string out, dotText;
  int status;
  std::string err;
  Strings env;
  // "posix" or "windows": the only targets it runs on; "unsanitized": posix
  // builds without sanitizers, which need more address space than a limit
  // leaves.
  std::string only;
  // Adds large or directory-dependent parts just before the run.
  void (*make)(Case&, const fs::path& dir);
  // The model's run where `model` cannot say it (other kinds of include
  // directory, options): used when it names start paths.
  ModelOptions options;
};

Case row(const std::string& name, const Files& files, const Strings& model,
         const Strings& args = {}, const std::string& out = kModel,
         const std::string& dotText = kModel, int status = 0, const std::string& err = "",
         const Strings& env = {}, const std::string& only = "",
         void (*make)(Case&, const fs::path&) = nullptr) {
  return {name, files, model, args, out, dotText, status, err, env, only, make, {}};
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

Case withModel(Case c, const Strings& starts, const std::vector<ModelSearchDir>& dirs,
               void (*set)(ModelOptions&) = nullptr) {
  c.options.starts = starts;
  c.options.dirs = dirs;
  if (set != nullptr) set(c.options);
  return c;
}

// Each candidate includes the missing "mark", warned about where it is read.
Files fallbackFiles() {
  Files files = {{"top/a.h",
                  "#include \"x.h\"\n#include \"y.h\"\n#include \"z.h\"\n#include \"w.h\"\n"
                  "#include \"d.h\"\n#include \"v.h\"\n#include <v.h>\n"},
                 {"inc2/y.h", "#include \"q.h\""},
                 {"inc1/d.h/x", ""},
                 {"inc2/d.h", "@fifo"}};
  for (const char* path : {"top/x.h", "inc1/x.h", "inc2/q.h", "inc1/q.h", "env/y.h", "env/z.h",
                           "env/d.h", "inc1/v.h", "inc2/v.h"}) {
    files.emplace_back(path, "#include \"mark\"");
  }
  return files;
}

// The model's run of --all on kProjectFiles in `dir`.
void projectModel(Case& c, const fs::path& dir) {
  const auto at = [&dir](const char* path) { return (dir / path).string(); };
  const std::vector<ModelSearchDir> first = {{at("inc1/"), 'I'}, {at("sys/"), 's'}};
  c.options.starts = {at("src/a.cc"), at("src/b.cc"), at("src/c.cc"), at("src/missing.cc")};
  c.options.startDirs = {first, {{at("inc2/"), 'I'}, {at("sys/"), 'I'}}, first, {}};
  if (std::find(c.args.begin(), c.args.end(), "--system=leaf") != c.args.end()) {
    c.options.system = 'l';
  }
}

// clang-format off
// Entries with three search lists: a.cc's and c.cc's, written two ways (sys
// a system directory), b.cc's (sys an -I one), missing.cc's (empty).
const Files kProjectFiles = {
    {"src/a.cc", "#include \"common.h\"\n#include <base.h>\n"}, {"src/common.h", "#include <cfg.h>\n"},
    {"src/b.cc", "#include \"common.h\"\n#include <base.h>\n"}, {"inc1/cfg.h", "#include <base.h>\n"},
    {"src/c.cc", "#include <cfg.h>\n#include \"gone.h\"\n"}, {"inc2/cfg.h", ""}, {"sys/deep.h", ""},
    {"sys/base.h", "#include \"deep.h\""},
    {"compile_commands.json",
     R"([{"directory": ".", "file": "src/a.cc", "command": "c++ -Iinc1 -isystem sys -c src/a.cc"},
         {"directory": ".", "file": "src/b.cc", "arguments": ["c++", "-I", "inc2", "-I", "sys"]},
         {"directory": ".", "file": "src/a.cc", "command": "c++ -Iinc2 -c src/a.cc"},
         {"directory": ".", "file": "src/c.cc", "command": "c++ -isystem sys -I inc1 -c c.cc"},
         {"directory": ".", "file": "src/missing.cc", "command": "c++ -c src/missing.cc"}])"}};
const Files kSpecialFiles = {
    {"top.h", "#include \"sub/x.h\"\n#include \"/dev/zero\"\n#include \"/dev/null\"\n"
              "#include \"dangling.h\"\n#include \"loop.h\"\n#include \"linked.h\"\n"},
    {"sub/x.h", "#include \"\"\n#include \"../fifo\"\n#include \"../sub\"\n"},
    {"fifo", "@fifo"}, {"dangling.h", "@link:nowhere.h"}, {"loop.h", "@link:loop.h"},
    {"linked.h", "@link:real/r.h"}, {"real/r.h", "#include \"inner.h\"\n"}, {"inner.h", ""}};
const Files kOptionFiles = {{"a.h", "#include <b.h>"}, {"-a.h", "#include <b.h>"}, {"inc/b.h", ""}};
// As environment entries: env then runs prlimit, which runs the tool in
// 12 MB of address space: room for the tool, none for a thread's stack.
const Strings kSmallAddressSpace = {"prlimit", "--as=12582912"};

std::vector<Case> cases() {
  // Where the tool joins a directory and a file name itself.
  const char* const kNativeSeparator = windowsTarget() ? "\\" : "/";
  const std::string write = "cludemap: cannot write ";
  return {
    row("no_arguments", {}, {}, {}, kUsage, kNoFile, 255),
    row("three_arguments", kOptionFiles, {}, {"a.h", "out.dot", "--", "-I"}, kUsage, kNoFile, 255),
    row("unknown_option", kOptionFiles, {}, {"-x", "a.h", "out.dot"}, kUsage, kNoFile, 255,
        "cludemap: unknown option -x\n"),
    row("trailing_include_option", kOptionFiles, {}, {"a.h", "out.dot", "-I"}, kUsage, kNoFile,
        255, "cludemap: option -I needs a directory\n"),
    row("version", {}, {}, {"--version", "-x"}, "cludemap " CLUDEMAP_VERSION "\n", kNoFile),
    row("help", {}, {}, {"a.h", "--help", "-x"}, std::string(kHelpText), kNoFile),
    row("include_option", kOptionFiles, {"a.h", "inc/"}, {"-I", "inc", "a.h", "out.dot"}),
    row("attached_include_option", kOptionFiles, {"a.h", "inc/"}, {"-Iinc", "a.h", "out.dot"}),
    row("options_after_arguments", kOptionFiles, {"a.h", "inc/"}, {"a.h", "out.dot", "-I", "inc"}),
    row("empty_include_option", kOptionFiles, {"a.h"}, {"-I", "", "a.h", "out.dot"}),
    row("end_of_options", kOptionFiles, {"-a.h", "inc/"}, {"-Iinc", "--", "-a.h", "out.dot"}),
    row("dash_as_start_path", kOptionFiles, {"-", "inc/"}, {"-Iinc", "-", "out.dot"}),
    row("quoted_names_fall_back_to_include_directories", fallbackFiles(),
        {"top/a.h", "inc1/", "inc2/", "env/"}, {"-I", "inc1", "top/a.h", "-Iinc2/", "out.dot"},
        kMissing + "top/mark\n" + kMissing + "inc2/mark\n" + kMissing + "env/mark\n" + kMissing +
            "top/w.h\n" + kMissing + "env/mark\n" + kMissing + "inc1/mark\n" + kMissing +
            "inc1/mark\n",
        dot("1 top/a.h|2 x.h|2-1|3 mark|3-2|4 y.h|4-1|5 q.h|5-4|3 mark|3~5|6 z.h|6-1|3 mark|3~6|"
            "7 w.h|7-1|8 d.h|8-1|3 mark|3~8|9 v.h|9-1|3 mark|3~9|10 <v.h>|10-1|3 mark|3~10"),
        0, "", {"CLUDEMAP_INCLUDE_PATH=env"}),
    row("trailing_search_option", kOptionFiles, {}, {"a.h", "out.dot", "-iquote"}, kUsage,
        kNoFile, 255, "cludemap: option -iquote needs a directory\n"),
    // Quoted names search -iquote first, angle-bracket ones skip it; each
    // include_next goes on after the directory its includer was found in.
    withModel(row("search_options_and_include_next",
        {{"a.h", "#include \"q.h\"\n#include <q.h>\n#include <w.h>\n"},
         {"quote/q.h", "#include \"m1.h\""}, {"inc/q.h", "#include_next <q.h>"},
         {"sys/q.h", "# include_next \"r.h\""}, {"env/r.h", "#include_next <r.h>"},
         {"after/r.h", "#\tinclude\t\"m2.h\""}, {"after/w.h", ""}, {"after/q.h", "#x"}},
        {"a.h"}, {"-iquote", "quote", "-Iinc", "-isystemsys", "a.h", "-idirafter", "after",
                  "out.dot"},
        kMissing + "quote/m1.h\n" + kMissing + "after/m2.h\n",
        dot("1 a.h|2 q.h|2-1|3 m1.h|3-2|4 <q.h>|4-1|4 <q.h>|4~4|5 <r.h>|5-4|5 <r.h>|5~5|6 m2.h|6-5|"
            "7 <w.h>|7-1"), 0, "", {"CLUDEMAP_INCLUDE_PATH=env"}),
        {"a.h"}, {{"quote/", 'q'}, {"inc/", 'I'}, {"sys/", 's'}, {"env/", 's'}, {"after/", 's'}}),
    // Leaves by glob, by depth and as system headers, an exclusion, and a
    // second start header below which a depth-cut header is expanded after
    // all; the tree view leaves out every repeat.
    withModel(row("cuts_tree_view_and_two_start_headers",
        {{"a.h", "#include \"b.h\"\n#include \"c.h\"\n#include <s.h>\n#include \"x.h\"\n"},
         {"b.h", "#include \"gone.h\""}, {"c.h", "#include \"b.h\"\n#include \"d.h\""},
         {"d.h", "#include \"e.h\""}, {"e.h", "#include \"gone.h\""},
         {"sys/s.h", "#include \"gone.h\""}, {"x.h", "#include \"gone.h\""}},
        {}, {"-o", "out.dot", "--tree", "--max-depth=2", "--leaf", "b.h", "--exclude", "x.h",
             "--system=leaf", "-isystem", "sys", "a.h", "c.h"}, "",
        dot("1 a.h|2 b.h|2-1|3 c.h|3-1|4 d.h|4-3|5 <s.h>|5-1|3 c.h|6 e.h|6-4")),
        {"a.h", "c.h"}, {{"sys/", 's'}}, [](ModelOptions& o) {
          o.tree = true;
          o.maxDepth = 2;
          o.leafGlobs = {"b.h"};
          o.excludeGlobs = {"x.h"};
          o.system = 'l';
        }),
    withModel(row("warnings_once", {{"a.h", "#include \"b.h\"\n#include \"c.h\"\n#include <no.h>"},
        {"b.h", "#include \"gone.h\"\n#include <no.h>"}, {"c.h", "#include \"gone.h\""}},
        {}, {"--warnings", "once", "a.h", "out.dot"},
        kMissing + "gone.h\nWARNING: Cannot open file: <no.h>\n"),
        {"a.h"}, {}, [](ModelOptions& o) { o.warnings = 'o'; }),
    row("dot_on_standard_output", {{"a.h", "#include \"gone.h\""}}, {}, {"a.h", "-"},
        kDotOnStdout, dot("1 a.h|2 gone.h|2-1"), 0, kMissing + "gone.h\n"),
    row("start_header_as_output", {{"a.h", "#include \"b.h\""}, {"b.h", ""}}, {},
        {"-o", "./a.h", "b.h", "a.h"}, kUsage, kNoFile, 255,
        "cludemap: ./a.h is a start header; not writing over it\n"),
    row("forgotten_output_option", {{"a.h", "#include \"b.h\""}, {"b.h", ""}}, {},
        {"a.h", "b.h"}, kUsage, kNoFile, 255,
        "cludemap: not writing over b.h, which looks like a source file (name the output with "
        "-o)\n"),
    row("bad_depth", kOptionFiles, {}, {"--max-depth", "x", "a.h", "out.dot"}, kUsage, kNoFile,
        255, "cludemap: --max-depth needs a whole number of 0 or more, not 'x'\n"),
    row("negative_depth", kOptionFiles, {}, {"--max-depth", "-1", "a.h", "out.dot"}, kUsage,
        kNoFile, 255, "cludemap: --max-depth needs a whole number of 0 or more, not '-1'\n"),
    row("depth_out_of_range", kOptionFiles, {}, {"--max-depth=99999999999", "a.h", "out.dot"},
        kUsage, kNoFile, 255,
        "cludemap: --max-depth needs a whole number from 0 to 2147483647; '99999999999' is out "
        "of range\n"),
    row("bad_system_mode", kOptionFiles, {}, {"--system=bogus", "a.h", "out.dot"}, kUsage,
        kNoFile, 255, "cludemap: --system takes follow, leaf or hide, not 'bogus'\n"),
    row("output_option_without_file", kOptionFiles, {}, {"a.h", "-o"}, kUsage, kNoFile, 255,
        "cludemap: option -o needs a file\n"),
    // The entry of the same stem gives -iquote, -I and -isystem directories,
    // relative to its directory, after those of the command line.
    withModel(row("compile_database", {{"src/a.h", "#include \"q.h\"\n#include <x.h>\n#include <y.h>"},
        {"src/quote/q.h", ""}, {"inc/x.h", ""}, {"first/y.h", ""}, {"src/sys/y.h", ""},
        {"build/compile_commands.json", R"([{"directory": "../src", "file": "a.cc",
          "command": "c++ -iquote quote -I../inc -isystem sys -c a.cc"}])"}},
        {}, {"-p", "build", "-isystem", "first", "src/a.h", "out.dot"}),
        {"src/a.h"}, {{"src/quote/", 'q'}, {"inc/", 'I'}, {"first/", 's'}, {"src/sys/", 's'}}),
    // A compile database as CMake writes it.
    withModel(row("cmake_project", {}, {}, {"-p", "build", "src/lib.h", "out.dot"}, "", kModel, 0,
                  "", {}, "posix",
                  [](Case&, const fs::path& dir) {
                    writeFiles(dir, {{"CMakeLists.txt",
                                      "cmake_minimum_required(VERSION 3.13)\nproject(p CXX)\n"
                                      "add_library(lib src/lib.cc)\ntarget_include_directories("
                                      "lib PRIVATE include)\ntarget_include_directories(lib "
                                      "SYSTEM PRIVATE third)\n"},
                                     {"src/lib.cc", "#include \"lib.h\"\n"},
                                     {"src/lib.h", "#include \"lib/api.h\"\n#include <dep.h>\n"},
                                     {"include/lib/api.h", "#include <dep.h>\n"},
                                     {"third/dep.h", ""}});
                    const std::string configure = "cd '" + dir.string() +
                                                  "' && cmake -S . -B build "
                                                  "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null";
                    ASSERT_EQ(std::system(configure.c_str()), 0);
                  }),
              {"src/lib.h"}, {{"include/", 'I'}, {"third/", 's'}}),
    // Each start file with its own search list, in one tree state.
    row("whole_project", kProjectFiles, {}, {"-p", ".", "--all", "out.dot"}, kModel, kModel, 0,
        "", {}, "posix", projectModel),
    // <base.h> is a system header below a.cc, but not below b.cc.
    row("whole_project_system_leaves", kProjectFiles, {}, {"--system=leaf", "-p", ".", "--all",
        "-o", "out.dot"}, kModel, kModel, 0, "", {}, "posix", [](Case& c, const fs::path& dir) {
      projectModel(c, dir);
      const std::string src = (dir / "src/").string();
      c.out = kMissing + src + "gone.h\n" + kMissing + src + "missing.cc\n";
      c.dotText = dot("1 " + src + "a.cc|2 common.h|2-1|3 <cfg.h>|3-2|4 <base.h>|4-3|4 <base.h>|4~1|"
                      "5 " + src + "b.cc|2 common.h|2~5|3 <cfg.h>|3~2|4 <base.h>|4~5|6 deep.h|6-4|"
                      "7 " + src + "c.cc|3 <cfg.h>|3~7|4 <base.h>|4~3|8 gone.h|8-7|"
                      "9 " + src + "missing.cc");
    }),
    row("whole_project_without_database", kProjectFiles, {}, {"--all", "out.dot"}, kUsage, kNoFile,
        255, "cludemap: --all needs a compile database (-p)\n"),
    row("whole_project_with_a_header", kProjectFiles, {}, {"-p", ".", "--all", "-o", "out.dot",
        "src/common.h"}, kUsage, kNoFile, 255, kNoHeaderWithAll),
    row("whole_project_with_a_header_and_output", kProjectFiles, {}, {"-p", ".", "--all",
        "src/common.h", "out.dot"}, kUsage, kNoFile, 255, kNoHeaderWithAll),
    row("whole_project_over_a_start_file", kProjectFiles, {}, {"-p", ".", "--all", "-o",
        "src/b.cc"}, kUsage, kNoFile, 255,
        "cludemap: src/b.cc is a start header; not writing over it\n"),
    row("compile_database_truncated", kOptionFiles, {}, {"-p", "db.json", "a.h", "out.dot"}, "",
        kNoFile, 2, "cludemap: db.json:1:16: invalid JSON: missing a closing quote\n", {}, "",
        [](Case& c, auto&) { c.files.emplace_back("db.json", R"([{"directory":")"); }),
    row("compile_database_empty", {{"a.h", ""}, {"db.json", ""}}, {},
        {"-p", "db.json", "a.h", "out.dot"}, "", kNoFile, 2,
        "cludemap: db.json:1:1: invalid JSON: empty document\n"),
    row("compile_database_wrong_type", {{"a.h", ""}, {"db.json", R"([{"directory": 1}])"}}, {},
        {"-p", "db.json", "a.h", "out.dot"}, "", kNoFile, 2,
        "cludemap: db.json: entry 1: \"directory\" is not a string\n"),
    row("compile_database_without_entries", {{"a.h", ""}, {"b/compile_commands.json", "[]"}}, {},
        {"-p", "b", "a.h", "out.dot"}, "", kNoFile, 2,
        std::string("cludemap: b") + kNativeSeparator + "compile_commands.json: no entries\n"),
    row("compile_database_directory", {{"a.h", ""}, {"b/compile_commands.json/x", ""}}, {},
        {"-p", "b/compile_commands.json", "a.h", "out.dot"}, "", kNoFile, 2,
        std::string("cludemap: b/compile_commands.json") + kNativeSeparator +
            "compile_commands.json: no such file\n"),
    // Deep nesting and a 50 MB string cost neither the stack nor much time.
    row("compile_database_hostile", {{"a.h", ""}}, {}, {"-p", "deep.json", "a.h", "out.dot"}, "",
        kNoFile, 2, "cludemap: deep.json:1:52528803: invalid JSON: missing a comma or ']'\n", {}, "",
        [](Case& c, auto&) {
          c.files.emplace_back("deep.json", std::string(100000, '[') + "\"" +
                                                std::string(50 << 20, 'x') + "\"}");
        }),
    // The compiler's directories come after the environment's and before
    // -idirafter: the headers found later include the missing gone.h.
    withModel(row("compiler_directories",
                  {{"a.h", "#include <x.h>\n#include <y.h>"}, {"env/x.h", ""},
                   {"sys1/x.h", "#include \"gone.h\""}, {"sys2/y.h", ""},
                   {"after/y.h", "#include \"gone.h\""}},
                  {}, {"--query-compiler=./cc", "-idirafter", "after", "a.h", "out.dot"}, "",
                  kModel, 0, "",
                  {"CLUDEMAP_INCLUDE_PATH=env"}, "posix",
                  [](Case&, const fs::path& dir) {
                    writeFiles(dir, {{"cc", "#!/bin/sh\necho '#include <...> search starts "
                                            "here:\n sys1\n sys2\nEnd of search list.' >&2\n"}});
                    fs::permissions(dir / "cc", fs::perms::owner_all, fs::perm_options::add);
                  }),
              {"a.h"}, {{"env/", 's'}, {"sys1/", 's'}, {"sys2/", 's'}, {"after/", 's'}}),
    row("compiler_missing", kOptionFiles, {}, {"--query-compiler=./none", "a.h", "out.dot"}, "",
        kNoFile, 2, "cludemap: cannot run the compiler ./none: no such file or directory\n", {},
        "posix"),
    row("bad_format", kOptionFiles, {}, {"-T", "bogus", "a.h", "out.dot"}, kUsage, kNoFile, 255,
        "cludemap: -T takes dot, svg, png, pdf, json, report, html, make, not 'bogus'\n"),
    row("bad_engine", kOptionFiles, {}, {"-Tsvg", "-K", "bogus", "a.h", "out.dot"}, kUsage,
        kNoFile, 255,
        "cludemap: -K takes a Graphviz layout engine (dot, sfdp, neato, ...), not 'bogus'\n"),
    // -T, --why and --compare each choose the output; the baseline is not read.
    row("why_with_a_format", kOptionFiles, {}, {"--why", "b.h", "-T", "dot", "a.h", "out.dot"},
        kUsage, kNoFile, 255, "cludemap: --why and -T both choose the output; give one\n"),
    row("compare_with_a_format", kOptionFiles, {}, {"-Tjson", "--compare", "no.json", "a.h",
        "out.dot"}, kUsage, kNoFile, 255,
        "cludemap: --compare and -T both choose the output; give one\n"),
    row("why_with_compare", kOptionFiles, {}, {"--compare=no.json", "--why=b.h", "a.h", "out.dot"},
        kUsage, kNoFile, 255, "cludemap: --why and --compare both choose the output; give one\n"),
    // The Windows build has no Graphviz library to draw with.
    row("picture_without_library", kOptionFiles, {}, {"-T", "svg", "a.h", "out.dot"}, "", kNoFile,
        2,
        "cludemap: this build cannot render pictures (built without Graphviz's library); write "
        "DOT and run dot -Tsvg\n",
        {}, "windows"),
    row("road_of_one_header", {{"src/app.h", "#include \"util/str.h\"\n"},
        {"src/util/str.h", "#include \"../cfg.h\"\n"}, {"src/cfg.h", ""}}, {"src/app.h"}, {}, "",
        dot("1 src/app.h|2 util/str.h|2-1|3 ../cfg.h|3-2")),
    row("cycle", {{"a.h", "#include \"b.h\"\n"}, {"b.h", "#include \"a.h\""}}, {"a.h"}, {}, "",
        dot("1 a.h|2 b.h|2-1|1 a.h|1~2|2 b.h|2~1")),
    row("diamond_and_repeats", {{"a.h", "#include \"b.h\"\n#include \"c.h\"\n#include \"c.h\"\n"},
        {"b.h", "#include \"d.h\"\n"}, {"c.h", "#include \"d.h\"\n"}, {"d.h", "#include \"e.h\""},
        {"e.h", ""}}, {"a.h"}, {}, "",
        dot("1 a.h|2 b.h|2-1|3 d.h|3-2|4 e.h|4-3|5 c.h|5-1|3 d.h|3~5|4 e.h|4~3|5 c.h|5~1")),
    row("messages", {{"a.h", "#include\t\"t.h\"\n#include_next \"n.h\"\r\n#include <none.h>\n"
                             "#include \"gone.h\"\n#include \"open.h\n#include <open.h\n"
                             "#include\n#include"}},
        {"a.h"}, {},
        kMissing + "t.h\n" "WARNING: Cannot open file: <n.h>\n"
        "WARNING: Cannot open file: <none.h>\n" + kMissing + "gone.h\n" + kMissing + "open.h\n\n"
        "WARNING: Cannot open file: <open.h\n>\n"
        "Warning: In file: a.h, line #include\n is malformatted.\n"
        "Warning: In file: a.h, line #include is malformatted.\n",
        dot("1 a.h|2 t.h|2-1|3 gone.h|3-1|4 open.h\n|4-1")),
    row("include_path_and_escapes", {{"a.h", "#include <q\"t.h>\n#include \"sub\\b.h\"\n"},
        {"sys/q\"t.h", ""}, {"sub/b.h", "#include \"c.h\"\n"}, {"sub/c.h", ""}},
        {"a.h", "missing/", "sys/"}, {}, "", dot("1 a.h|2 <q\"t.h>|2-1|3 sub\\b.h|3-1|4 c.h|4-3"),
        0, "", {"CLUDEMAP_INCLUDE_PATH=::missing:sys"}, "posix"),
    row("empty_start_path", {}, {""}, {}, kMissing + "\n", dot("")),
    // Longer than the new graph, none of which may be left behind it.
    row("output_is_overwritten", {{"a.h", ""}, {"out.dot", std::string(4096, 'x')}}, {"a.h"}),
    row("special_files", kSpecialFiles, {"top.h"}),
    row("missing_output_directory", {{"a.h", "#include \"gone.h\""}}, {}, {"a.h", "no/out.dot"},
        kMissing + "gone.h\n", kNoFile, 1, write + "no/out.dot: No such file or directory\n"),
    row("directory_as_output", {{"a.h", ""}}, {}, {"a.h", "."}, "", kNoFile, 1,
        write + (windowsTarget() ? ".: Permission denied\n" : ".: Is a directory\n")),
    row("full_disk", {{"a.h", ""}}, {}, {"a.h", "/dev/full"}, "", kNoFile, 1,
        write + "/dev/full: No space left on device\n"),
    // Enough warnings that the first refused write comes in the middle of the
    // scan, whose failed opens then replace errno; the graph is still written.
    row("standard_output_on_a_full_disk", {{"a.h", ""}}, {"a.h"}, {}, kToFullDisk, kModel, 1,
        write + "standard output: No space left on device\n", {}, "", [](Case& c, auto&) {
      for (int i = 0; i < 2000; ++i) c.files[0].second += "#include \"" + std::to_string(i) + "\n";
    }),
    // One warning, left in the buffer until the end of the scan.
    row("one_warning_to_a_full_standard_output", {{"a.h", "#include \"gone.h\""}}, {"a.h"}, {},
        kToFullDisk, kModel, 1, write + "standard output: No space left on device\n"),
    // An empty entry names no directory; the working one holds both names.
    row("empty_include_directories", {{"top/a.h", "#include <b.h>\n#include \"c.h\""},
        {"b.h", ""}, {"c.h", ""}}, {"top/a.h"}, {"-I", "", "top/a.h", "out.dot"},
        "WARNING: Cannot open file: <b.h>\n" + kMissing + "top/c.h\n", dot("1 top/a.h|2 c.h|2-1"),
        0, "", {std::string("CLUDEMAP_INCLUDE_PATH=") + (windowsTarget() ? ";;" : "::")}),
    // Written to, never replaced: the link still reads as empty.
    row("output_linked_to_dev_null", {{"a.h", ""}, {"out.dot", "@link:/dev/null"}}, {},
        {"a.h", "out.dot"}, "", "", 0, "", {}, "posix"),
    // A file size limit stops the write midway; the old graph stays whole.
    row("failed_write_keeps_the_old_output", {{"out.dot", dot("1 old.h")}}, {},
        {"a.h", "out.dot"}, "", dot("1 old.h"), 1, write + "out.dot: File too large\n",
        {"prlimit", "--fsize=16384", "sh", "-c", "trap '' XFSZ; exec \"$0\" \"$@\""}, "posix",
        [](Case& c, auto&) {
      c.files.emplace_back("a.h", "");
      for (int i = 0; i < 100; ++i) {
        c.files.back().second += "#include \"" + std::to_string(i) + ".h\"\n";
        c.files.emplace_back(std::to_string(i) + ".h", "");
      }
    }),
    // Wine shows the root of the file system as drive Z:.
    row("windows_paths", {{"b.h", ""}, {"sys/lib.h", ""}, {"inc/found.h", "#include \"beside.h\""},
        {"inc/beside.h", ""}, {"sub/a.h", "#include \"..\\b.h\"\r\n#include <lib.h>\r\n"
                                          "#include \"found.h\""}},
        {}, {}, "", "", 0, "", {}, "windows", [](Case& c, const fs::path& dir) {
      const auto windowsPath = [&dir](const std::string& relative) {
        std::string path = "Z:" + (dir / relative).string();
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
      };
      c.args = {"-I", windowsPath("inc"), windowsPath("sub/a.h"), "out.dot"};
      c.env = {"CLUDEMAP_INCLUDE_PATH=C:\\nowhere;;" + windowsPath("sys")};
      c.dotText = dot("1 " + windowsPath("sub/a.h") +
                      "|2 ..\\b.h|2-1|3 <lib.h>|3-1|4 found.h|4-1|5 beside.h|5-4");
    }),
    row("bundled_example", {}, {"station.h"}, {}, kModel, kModel, 0, "", {}, "",
        [](Case& c, auto&) {
      const fs::path source = CLUDEMAP_SOURCE_DIR;
      for (const auto& entry : fs::recursive_directory_iterator(source / "example")) {
        const std::string path = fs::relative(entry.path(), source / "example").string();
        if (entry.is_regular_file()) c.files.emplace_back(path, readFile(entry.path()));
      }
      c.dotText = readFile(source / "docs/example.dot");
    }),
    // Too deep for the model's recursion.
    row("deep_chain", {}, {}, {"h0.h", "out.dot"}, "", "", 0, "", {}, "", [](Case& c, auto&) {
      std::string statements = modelNode(1, "h0.h");
      for (int i = 1; i <= 100000; ++i) {
        const std::string name = "h" + std::to_string(i) + ".h";
        c.files.emplace_back("h" + std::to_string(i - 1) + ".h", "#include \"" + name + "\"");
        statements += modelNode(i + 1, name);
        statements += modelEdge(i + 1, i, true);
      }
      c.files.emplace_back("h100000.h", "");
      c.dotText = modelDotFile(statements);
    }),
    // In 16-bit halves the pair (1, 65537) would be (2, 1), which b.h expands first.
    row("more_labels_than_16_bits_hold", {{"b.h", "#include \"a.h\""},
        {"65537.h", "#include \"z.h\""}, {"z.h", ""}}, {"a.h"}, {}, kModel, kModel, 0, "", {},
        "", [](Case& c, auto&) {
      std::string root = "#include \"b.h\"\n";
      for (int id = 3; id <= 65537; ++id) root += "#include \"" + std::to_string(id) + ".h\"\n";
      c.files.emplace_back("a.h", root);
    }),
    // A 50 MB line, a 50 MB name without its closing quote, a million empty
    // lines of each line end, zero bytes, and an executable.
    row("hostile_input", {}, {"a.h"}, {}, kModel, kModel, 0, "", {}, "", [](Case& c, auto&) {
      const std::string zeros(1 << 20, '\0');
      const std::string fifty(50 << 20, '\\');
      c.files = {
          {"a.h", "#include \"line.h\"\n#include \"lines.h\"\n#include \"zeros.h\"\n"
                  "#include \"binary.h\"\n#include \"" + fifty + "\n"},
          {"line.h", std::string(50 << 20, '#') + "include \"b.h\"\n#include \"c.h\""},
          {"lines.h", std::string(1000000, '\n') + std::string(1000000, '\r') + "#include \"b.h\""},
          {"zeros.h", zeros + "\n#include \"b" + zeros + ".h\"\n#include \"c.h\"" + zeros},
          {"binary.h", readFile(CLUDEMAP_BINARY) + "\n#include \"b.h\""}};
    }),
    // The compiler's view of hostile directives: each warned about with
    // its file and line, and the run ends.
    row("preprocess_hostile_directives", {{"a.cc", "#include \"bad.h\"\n#include \"self.h\"\n"},
        {"bad.h", "#if 1 +* 2\n#endif\n#if )\n#elif\n#endif\n#define A B\n#define B A\n"
                  "#include A\n#if 1\n#ifdef A\n"},
        {"self.h", "#define SELF \"self.h\"\n#include SELF\n"}}, {},
        {"--preprocess", "-T", "make", "-o", "out.mk", "a.cc"},
        "Warning: In file: bad.h, line 1: operator '+' has no right operand\n"
        "Warning: In file: bad.h, line 3: missing '(' in expression\n"
        "Warning: In file: bad.h, line 4: #if with no expression\n"
        "Warning: In file: bad.h, line 8: #include expects \"FILENAME\" or <FILENAME>\n"
        "Warning: In file: bad.h, line 10: unterminated conditional\n"
        "Warning: In file: bad.h, line 9: unterminated conditional\n"
        "Warning: In file: self.h, line 2: #include nested too deeply\n", kNoFile),
    // 100,000 nested #ifs, a 10 MB macro, macros expanding through 1,000
    // steps to what #include cannot take.
    row("preprocess_hostile_sizes", {}, {}, {"--preprocess", "-T", "make", "-o", "out.mk", "a.cc"},
        "Warning: In file: a.cc, line 100001: #error deep\n"
        "Warning: In file: big.h, line 2: missing binary operator before token \"abcdefgh\"\n"
        "Warning: In file: chain.h, line 2003: #include expects \"FILENAME\" or <FILENAME>\n"
        "Warning: In file: chain.h, line 2004: #include expects \"FILENAME\" or <FILENAME>\n",
        kNoFile, 0, "", {}, "", [](Case& c, auto&) {
      std::string deep;
      std::string big;
      std::string chain;
      for (int i = 0; i < 100000; ++i) deep += "#if 1\n";
      deep += "#error deep\n";
      for (int i = 0; i < 100000; ++i) deep += "#endif\n";
      for (int i = 0; i < (10 << 20) / 9; ++i) big += "abcdefgh ";
      for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        const std::string next = std::to_string(i + 1);
        chain.append("#define M" + n).append(" M" + next).append("\n#define F" + n);
        chain.append("(x) F" + next).append("(x)\n");
      }
      c.files = {{"a.cc", deep + "#include \"big.h\"\n#include \"chain.h\"\n"},
                 {"big.h", "#define BIG " + big + "\n#if BIG\n#endif\n"},
                 {"chain.h", chain + "#define M1000 x\n#define F1000(x) x\n#include M0\n"
                                     "#include F0(y)\n"}};
    }),
    row("threads_refused", {{"a.h", "#include \"b.h\"\n#include \"c.h\""},
        {"b.h", "#include \"c.h\"\n#include \"a.h\""}, {"c.h", "#include \"d.h\""}}, {"a.h"},
        {}, kModel, kModel, 0, "", kSmallAddressSpace, "unsanitized"),
    row("out_of_memory", {}, {}, {"a.h", "out.dot"}, "", kNoFile, 1,
        "cludemap: out of memory\n", kSmallAddressSpace, "unsanitized", [](Case& c, auto&) {
      c.files = {{"a.h", "#include \"big.h\""}, {"big.h", std::string(32 << 20, 'x')}};
    }),
    row("self_inclusion_under_ten_spellings", {{"x.h", ""}}, {"x.h"}, {}, kModel, kModel, 0, "",
        {}, "", [](Case& c, auto&) {
      for (std::string line = "x.h\"\n"; line.size() < 25; line.insert(0, "./")) {
        c.files[0].second += "#include \"" + line;
      }
    }),
  };
}
// clang-format on

// The table, and random trees as the in-process comparison makes them,
// their include directories given by -iquote, -I, and -isystem or
// CLUDEMAP_INCLUDE_PATH.
std::vector<Case> allCases() {
  std::vector<Case> rows = cases();
  for (unsigned seed = 0; seed < 12; ++seed) {
    const HeaderTree tree = decodeHeaderTree(randomTreeInput(seed));
    Strings args;
    Strings env;
    for (const ModelSearchDir& dir : tree.options.dirs) {
      if (dir.kind == 's' && seed % 2 == 0) {
        env.push_back(dir.prefix);
      } else {
        args.insert(args.end(), {dir.kind == 'q'   ? "-iquote"
                                 : dir.kind == 's' ? "-isystem"
                                                   : "-I",
                                 dir.prefix});
      }
    }
    std::string path = "CLUDEMAP_INCLUDE_PATH=";
    for (const std::string& dir : env) path += dir + (windowsTarget() ? ";" : ":");
    rows.push_back(row("random_tree_" + std::to_string(seed), tree.files, {}, args, kModel, kModel,
                       0, "", {path}));
    rows.back().options = tree.options;
    rows.back().args.insert(rows.back().args.end(), {tree.options.starts[0], "out.dot"});
  }
  return rows;
}

class EndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEnd, Run) {
  Case c = GetParam();
#if defined(CLUDEMAP_SANITIZED)
  const std::string here = windowsTarget() ? "windows" : "posix";
#else
  const std::string here = windowsTarget() ? "windows" : "posix unsanitized";
#endif
  if (!c.only.empty() && here.find(c.only) == std::string::npos) {
    GTEST_SKIP() << c.only << " only";
  }
  if (c.args.empty() && !c.model.empty()) c.args = {c.model[0], "out.dot"};
  const fs::path dir = freshDirectory();
  if (c.make != nullptr) c.make(c, dir);
  for (const auto& [path, content] : c.files) {
    if (content == "@fifo") {
      ASSERT_EQ(mkfifo((dir / path).c_str(), 0600), 0);
    } else if (content.rfind("@link:", 0) == 0) {
      fs::create_symlink(content.substr(6), dir / path);
    } else {
      writeFiles(dir, {{path, content}});
    }
  }
  const CommandResult result = runTool(c.args, dir, c.env, c.out == kToFullDisk ? "/dev/full" : "");
  ToolOutput model;
  if (!c.options.starts.empty()) {
    model = runModel(c.options, dir);
  } else if (!c.model.empty()) {
    model = runModel(c.model[0], Strings(c.model.begin() + 1, c.model.end()), dir);
  }
  const auto expected = [&](const std::string& stated, const std::string& modelled) {
    const bool agree =
        (c.model.empty() && c.options.starts.empty()) || stated == kModel || stated == modelled;
    EXPECT_TRUE(agree) << textDifference("the model's output", modelled, stated);
    return stated == kModel ? modelled : stated;
  };
  if (c.out == kDotOnStdout) {
    EXPECT_EQ(textDifference("stdout", result.out, dotLineEnds(c.dotText)), "");
  } else if (c.out != kToFullDisk) {
    EXPECT_EQ(textDifference("stdout", result.out, textMode(expected(c.out, model.warnings))), "");
  }
  EXPECT_EQ(result.err, textMode(c.err));
  EXPECT_EQ(result.status, c.status);
  if (c.dotText == kNoFile || c.out == kDotOnStdout) {
    EXPECT_FALSE(fs::exists(dir / "out.dot"));
  } else {
    const std::string dotText = dotLineEnds(expected(c.dotText, model.dot));
    EXPECT_EQ(textDifference("DOT", readFile(dir / "out.dot"), dotText), "");
    EXPECT_EQ(graphvizErrors(dir / "out.dot"), "");
  }
}

INSTANTIATE_TEST_SUITE_P(, EndToEnd, ::testing::ValuesIn(allCases()),
                         [](const auto& test) { return test.param.name; });

// -T json through the built tool, read by a strict parser, with the
// scratch directory left out of the paths: each figure on a literal tree,
// which pins the model's file graph and its directives ("LINE>FILE=NAME")
// too. A missing header counts once per path tried; b.h and d.h form a
// cycle, c.h includes itself; lines end in LF, CR LF and lone CR.
TEST(EndToEndJson, FiguresOfLiteralTrees) {
  const Files files = {
      {"a.h", "#include \"b.h\"\n#include \"c.h\"\n#include \"gone.h\"\n#include \"./gone.h\"\n"},
      {"b.h", "#include \"d.h\"\r\n"},
      {"c.h", "#include \"./d.h\"\r#include \"c.h\""},
      {"d.h", "\r\n\r#include \"b.h\""},
      {"u.h", "#include \"x\xff.h\"\n#include <no\xe9.h>\n#include <s.h>"},
      {"x\xff.h", ""},
      {"sys/s.h", ""},
      {"m.h",
       "#include \"l.h\"\n#include \"real/h.h\"\n#include \"link/h.h\"\n#include \"inc1/n.h\"\n"
       "#include <n.h>\n"},
      {"l.h", "#include \"link/h.h\""},
      {"real/h.h", "#include \"x.h\""},
      {"real/x.h", ""},
      {"link/x.h", ""},
      {"inc1/n.h", "#include_next <n.h>"},
      {"inc2/n.h", ""}};
  const std::string kFigures = " includes= closure=1/0/0 by=1 from=1 depth=1 via=0\n";
  const struct {
    Strings args;
    std::vector<ModelSearchDir> dirs;
    std::optional<int> maxDepth;
    std::string facts, directives;
  } rows[] = {
      {{"a.h"},
       {},
       {},
       "roots 0\n"
       "a.h found expanded 68/4 includes=1,3,4,5 closure=6/132/10 by=0 from=0 depth=0 via=none\n"
       "b.h found expanded 16/1 includes=2 closure=2/33/4 by=2 from=3 depth=1 via=0\n"
       "d.h found expanded 17/3 includes=1 closure=2/33/4 by=2 from=3 depth=2 via=1\n"
       "c.h found expanded 31/2 includes=2,3 closure=3/64/6 by=2 from=1 depth=1 via=0\n"
       "gone.h missing 0/0" +
           kFigures + "./gone.h missing 0/0" + kFigures + "cycle 1,2\ncycle 3\nwarnings 2\n",
       "0: 1>1=b.h 2>3=c.h 3>4=gone.h 4>5=./gone.h\n1: 1>2=d.h\n2: 3>1=b.h\n3: 1>2=./d.h 2>3=c.h\n"
       "4:\n5:\n"},
      {{"-isystem", "sys", "u.h"},
       {ModelSearchDir{"sys/", 's'}},
       {},
       "roots 0\nu.h found expanded 47/3 includes=1,2 closure=3/47/3 by=0 from=0 depth=0 via=none\n"
       "x\xff.h found expanded 0/0" +
           kFigures + "sys/s.h found system expanded 0/0" + kFigures +
           "unresolved 0:2 <no\xe9.h>\nwarnings 1\n",
       "0: 1>1=x\xff.h 3>2=<s.h>\n1:\n2:\n"},
      // link/h.h, reached first but expanded after real/h.h, is real/h.h
      // including link/x.h; inc1/n.h, expanded first as itself, then as <n.h>
      // found in inc1, includes itself, then inc2/n.h.
      {{"--max-depth=2", "-Iinc1", "-Iinc2", "m.h"},
       {{"inc1/", 'I'}, {"inc2/", 'I'}},
       2,
       "roots 0\nm.h found expanded 90/5 includes=1,2,5 closure=5/142/8 by=0 from=0 depth=0 "
       "via=none\nl.h found expanded 19/1 includes=2 closure=3/33/2 by=1 from=1 depth=1 via=0\n"
       "real/h.h found expanded 14/1 includes=3 closure=2/14/1 by=2 from=2 depth=1 via=0\n"
       "real/x.h found 0/0 includes= closure=1/0/0 by=1 from=3 depth=2 via=2\n"
       "link/x.h found 0/0 includes= closure=1/0/0 by=0 from=0 depth=none via=none\n"
       "inc1/n.h found expanded 19/1 includes=5 closure=1/19/1 by=2 from=1 depth=1 via=0\n"
       "inc2/n.h found 0/0 includes= closure=1/0/0 by=0 from=0 depth=none via=none\n"
       "cycle 5\nwarnings 0\n",
       "0: 1>1=l.h 2>2=real/h.h 3>2=link/h.h 4>5=inc1/n.h 5>5=<n.h>\n1: 1>2=link/h.h\n2: 1>3=x.h\n"
       "3:\n4:\n5: 1>5=<n.h>\n6:\n"}};
  for (const auto& [args, dirs, maxDepth, facts, directives] : rows) {
    const fs::path dir = freshDirectory();
    writeFiles(dir, files);
    fs::create_symlink("../real/h.h", dir / "link/h.h");
    Strings command = args;
    command.insert(command.begin(), {"-T", "json"});
    command.push_back("out.json");
    EXPECT_EQ(runTool(command, dir).status, 0);
    const std::string json = readFile(dir / "out.json");
    const auto local = [&dir](std::string text) {
      const std::string prefix = fs::canonical(dir).string() + "/";
      for (std::size_t at; (at = text.find(prefix)) != std::string::npos;)
        text.erase(at, prefix.size());
      return text;
    };
    EXPECT_EQ(local(jsonFacts(json)), facts);
    ModelOptions options;
    options.starts = {args.back()};
    options.dirs = dirs;
    options.maxDepth = maxDepth;
    const FileGraph model = runModel(options, dir).files;
    EXPECT_EQ(local(modelFacts(model)), facts);
    EXPECT_EQ(directiveFacts(model), directives);
    if (args[0] != "-isystem") continue;
    // Ill-formed UTF-8 as U+FFFD, and the exact bytes in hex beside it.
    EXPECT_NE(json.find("x\xef\xbf\xbd.h\",\"pathBytes\":\""), std::string::npos) << json;
    EXPECT_NE(json.find("2f78ff2e68\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"name\":\"<no\xef\xbf\xbd.h>\",\"nameBytes\":\"3c6e6fe92e683e\""),
              std::string::npos);
  }
}

// The gate a CI job runs: a baseline from -T json, then --compare exits
// with 3 once a header drags in a new file, which the text names; a
// baseline that is not one exits with 2 and one line on standard error.
TEST(EndToEndJson, CompareGatesAGrownClosure) {
  const fs::path dir = freshDirectory();
  writeFiles(dir,
             {{"a.h", "#include \"b.h\"\n"}, {"b.h", ""}, {"n.h", ""}, {"bad.json", "{\"tool\""}});
  EXPECT_EQ(runTool({"-T", "json", "a.h", "base.json"}, dir).status, 0);
  EXPECT_EQ(runTool({"--compare", "base.json", "a.h", "same.txt"}, dir).status, 0);
  writeFiles(dir, {{"b.h", "#include \"n.h\"\n"}});
  EXPECT_EQ(runTool({"--compare", "base.json", "a.h", "out.txt"}, dir).status, 3);
  EXPECT_NE(readFile(dir / "out.txt")
                .find("Newly reached: 1\n  a.h:1 \xe2\x86\x92 b.h:1 \xe2\x86\x92 n.h\n"),
            std::string::npos)
      << readFile(dir / "out.txt");
  const CommandResult bad = runTool({"--compare", "bad.json", "a.h", "bad.txt"}, dir);
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err.rfind("cludemap: bad.json:1:", 0), 0U) << bad.err;
  EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1);
}

// The JSON document of --all, read strictly, as the model makes it: a header
// expanded under two search lists includes what each found; system or not
// by the list a file was found through; the start files in database order.
TEST(WholeProject, JsonCoversEveryStartFile) {
  if (windowsTarget()) GTEST_SKIP() << "posix only";
  const fs::path dir = freshDirectory();
  writeFiles(dir, kProjectFiles);
  const CommandResult result = runTool({"-p", ".", "--all", "-T", "json", "out.json"}, dir);
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string text = readFile(dir / "out.json");
  rapidjson::Document json;
  json.Parse<rapidjson::kParseValidateEncodingFlag>(text.c_str(), text.size());
  ASSERT_FALSE(json.HasParseError()) << text;
  const rapidjson::Value& files = json["files"];
  const auto path = [&](const rapidjson::Value& index) {
    return fs::relative(files[index.GetUint()]["path"].GetString(), dir).string();
  };
  std::string includes;
  for (rapidjson::SizeType i = 0; i < files.Size(); ++i) {
    includes += path(rapidjson::Value(i)) + (files[i]["system"].GetBool() ? " (system):" : ":");
    for (const rapidjson::Value& to : files[i]["includes"].GetArray()) includes += " " + path(to);
    includes += "\n";
  }
  EXPECT_EQ(includes,
            "src/a.cc: src/common.h sys/base.h\nsrc/common.h: inc1/cfg.h inc2/cfg.h\n"
            "inc1/cfg.h: sys/base.h\nsys/base.h (system): sys/deep.h\nsys/deep.h:\n"
            "src/b.cc: src/common.h sys/base.h\ninc2/cfg.h:\nsrc/c.cc: inc1/cfg.h src/gone.h\n"
            "src/gone.h:\nsrc/missing.cc:\n");
  Case project;
  projectModel(project, dir);
  EXPECT_EQ(jsonFacts(text), modelFacts(runModel(project.options, dir).files));
}

TEST(Model, EscapesAndBreaksLabels) {
  EXPECT_EQ(modelEscape("a\\b\"c\rd\n"), "a\\\\b\\\"c\\rd\\n");
  EXPECT_EQ(modelEscape(std::string(4095, 'x') + "\\" + std::string(4096, 'y') + "\""),
            std::string(4095, 'x') + "\\\\\\\n" + std::string(4096, 'y') + "\\\n\\\"");
}

}  // namespace
