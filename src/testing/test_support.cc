#include "testing/test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "app/driver.h"
#include "scan/scan_header.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

fs::path freshDirectory() {
  static const struct Scratch {
    std::string path = (fs::temp_directory_path() / "cludemap-test-XXXXXX").string();
    Scratch() { mkdtemp(path.data()); }
    ~Scratch() { fs::remove_all(path); }
  } scratch;
  static int count = 0;
  fs::path directory = fs::path(scratch.path) / std::to_string(count++);
  fs::create_directories(directory);
  return directory;
}

void writeFiles(const fs::path& directory, const Files& files) {
  for (const auto& [path, content] : files) {
    fs::create_directories((directory / path).parent_path());
    std::ofstream(directory / path, std::ios::binary) << content;
  }
}

std::string readFile(const fs::path& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

HeaderTree decodeHeaderTree(std::string_view input) {
  static const Strings kNames = {"a.h",          "b.h",     "sub/c.h", "sub/d.h",
                                 "sub/deep/e.h", "sys/s.h", "sys/c.h", "\xe9t\xe9.h"};
  static const std::vector<Strings> kIncludeDirs = {
      {}, {"sub/"}, {"sys/", "sub/"}, {"sub\\deep\\", "sys/", "sub/"}};
  HeaderTree tree{{{"sub/deep/.keep", ""}, {"sys/.keep", ""}}, {}};
  tree.options.starts = {"a.h"};
  unsigned selector = 2 * 32;  // a.h and two -I directories without a first section
  for (int section = 0; section < 8 && !input.empty(); ++section) {
    const std::string_view bytes = input.substr(0, input.find('\xff'));
    input.remove_prefix(std::min(bytes.size() + 1, input.size()));
    if (bytes.empty()) continue;
    const std::string& name = kNames[static_cast<unsigned char>(bytes[0]) % 8];
    tree.files.emplace_back(name, bytes.substr(1));
    if (section > 0) continue;
    selector = static_cast<unsigned char>(bytes[0]);
    std::string backslashed = name;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    tree.options.starts = {
        Strings{name, "./" + name, backslashed, '"' + name + '"'}[selector / 8 % 4]};
  }
  // With the top bit set, the directories take the kinds q, s, I in turn,
  // in the order the tool searches kinds: quoted-only, -I, system.
  std::vector<ModelSearchDir>& dirs = tree.options.dirs;
  for (const std::string& dir : kIncludeDirs[selector / 32 % 4]) {
    dirs.push_back({dir, selector >= 128 ? "qsI"[dirs.size()] : 'I'});
  }
  std::stable_sort(dirs.begin(), dirs.end(), [](const auto& a, const auto& b) {
    return std::string_view("qIs").find(a.kind) < std::string_view("qIs").find(b.kind);
  });
  return tree;
}

HeaderTree singleHeaderTree(std::string_view bytes) {
  HeaderTree tree{{{"a.h", std::string(bytes)}, {"sys/b.h", ""}}, {}};
  tree.options.starts = {"a.h"};
  tree.options.dirs = {{"sys/", 'I'}};
  return tree;
}

std::string randomTreeInput(unsigned seed) {
  // clang-format off
  static const Strings kNames = {
      "a.h", "b.h", "c.h", "d.h", "s.h", "e.h", "sub/c.h", "sub/d.h", "deep/e.h", "../a.h",
      "../c.h", "..\\b.h", "./a.h", "../sys/s.h", "../../a.h", "sub\\d.h", "\xe9t\xe9.h", "deep",
      "", "none.h"};
  static const Strings kDirectives = {"#include \"N\"", "#include \"N\"", "#include <N>"};
  static const Strings kOddLines = {
      "#include\"N\" // c", "#include   <N", "#include \"N", "// #include \"N\"",
      "x = \"//\"; #include <N>", "#include\tN", "#include_next <N>", "x\0#include \"N\""s,
      "#include \"N\0\""s, "#  include <N>", "#include \"N\" #include <a.h>", "int x;", "#include",
      "# include \"N\"", "#\tinclude\t<N>", "#include_next \"N\"", "#include_next<N>",
      "x # include \"N\"", "#\tinclude_next <N", "#include\t\"N\"", "# // #include <N>"};
  // clang-format on
  static const Strings kEnds = {"\n", "\n", "\n", "\r\n", "\r", ""};
  std::mt19937 random(seed);
  const auto pick = [&](const Strings& from) { return from[random() % from.size()]; };
  std::string input;
  for (auto files = 4 + random() % 6; files > 0; --files) {
    input += static_cast<char>(random() % 255);  // which file, and for the first one more
    for (auto lines = 1 + random() % 12; lines > 0; --lines) {
      std::string line = pick(random() % 4 == 0 ? kOddLines : kDirectives);
      if (line.find('N') != std::string::npos) line.replace(line.find('N'), 1, pick(kNames));
      input += line + pick(kEnds);
    }
    input += '\xff';
  }
  return input;
}

void addRandomOptions(HeaderTree& tree, unsigned seed) {
  static const Strings kGlobs = {"*.h",    "sub/*", "?.h",  "*deep*",
                                 "[ab].h", "s*",    "*c.h", "sys/?.h"};
  std::mt19937 random(seed);
  ModelOptions& options = tree.options;
  options.tree = random() % 3 == 0;
  if (random() % 2 == 0) options.maxDepth = static_cast<int>(random() % 4);
  if (random() % 3 == 0) options.leafGlobs = {kGlobs[random() % kGlobs.size()]};
  if (random() % 3 == 0) options.excludeGlobs = {kGlobs[random() % kGlobs.size()]};
  options.system = "flh"[random() % 3];
  options.warnings = "aon"[random() % 3];
  for (auto more = random() % 3; more > 0; --more) {
    options.starts.push_back(tree.files[random() % tree.files.size()].first);
  }
}

SearchList::Kind searchKind(const ModelSearchDir& dir) {
  if (dir.kind == 'q') return SearchList::Kind::kQuotedOnly;
  return dir.kind == 's' ? SearchList::Kind::kSystem : SearchList::Kind::kBoth;
}

std::string compareWithModel(const HeaderTree& tree, const fs::path& directory, std::string* dot,
                             std::optional<unsigned> readerThreads) {
  writeFiles(directory, tree.files);
  const fs::path previous = fs::current_path();
  fs::current_path(directory);
  std::ostringstream warnings;
  std::ostringstream dotText;
  {
    RunState run(warnings);
    const ModelOptions& options = tree.options;
    for (const ModelSearchDir& dir : options.dirs) run.searchList.add(dir.prefix, searchKind(dir));
    run.readerThreads = readerThreads;
    run.scanOptions.maxDepth = options.maxDepth;
    run.scanOptions.leafGlobs = options.leafGlobs;
    run.scanOptions.excludeGlobs = options.excludeGlobs;
    run.scanOptions.system = options.system == 'h'   ? ScanOptions::System::kHide
                             : options.system == 'l' ? ScanOptions::System::kLeaf
                                                     : ScanOptions::System::kFollow;
    run.warnings.setMode(options.warnings == 'o'   ? WarningSink::Mode::kOnce
                         : options.warnings == 'n' ? WarningSink::Mode::kNone
                                                   : WarningSink::Mode::kAll);
    std::vector<IncludeNode> roots(options.starts.size());
    for (std::size_t i = 0; i < roots.size(); ++i) {
      scanHeader(run, rootPathFromArgument(options.starts[i]), roots[i], "", "");
    }
    DotOptions dotOptions;
    dotOptions.tree = options.tree;
    writeDotFile(dotText, run, roots, dotOptions);
  }
  fs::current_path(previous);
  const ToolOutput model = runModel(tree.options, directory);
  if (dot != nullptr) *dot = dotText.str();
  return textDifference("warnings", warnings.str(), model.warnings) +
         textDifference("DOT text", dotText.str(), model.dot);
}

std::string textDifference(const std::string& what, const std::string& actual,
                           const std::string& expected) {
  if (actual == expected) return "";
  const std::size_t at =
      std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
      actual.begin();
  const std::size_t from = at < 60 ? 0 : at - 60;
  return what + " differs at byte " + std::to_string(at) +
         "\n  actual:   " + actual.substr(from, 120) +
         "\n  expected: " + expected.substr(from, 120) + "\n";
}

namespace {

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `words` (quoted) run by the shell in `directory`, standard output going to
// `standardOutput` if given; a run that hangs ends after ten minutes.
CommandResult runCommand(const std::string& words, const fs::path& directory,
                         const std::string& standardOutput = "") {
  const fs::path out = freshDirectory() / "out";
  const fs::path err = out.parent_path() / "err";
  const int status =
      std::system(("cd " + shellQuote(directory.string()) + " && timeout 600 " + words + " >" +
                   shellQuote(standardOutput.empty() ? out.string() : standardOutput) + " 2>" +
                   shellQuote(err.string()))
                      .c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

}  // namespace

CommandResult runTool(const Strings& args, const fs::path& directory, const Strings& environment,
                      const std::string& standardOutput) {
  std::string words = "env -u CLUDEMAP_INCLUDE_PATH";
  for (const std::string& entry : environment) words += " " + shellQuote(entry);
  const char* command = std::getenv("CLUDEMAP_TEST_COMMAND");
  words += " " + (command != nullptr ? std::string(command) : shellQuote(CLUDEMAP_BINARY));
  for (const std::string& arg : args) words += " " + shellQuote(arg);
  return runCommand(words, directory, standardOutput);
}

bool windowsTarget() {
  const char* target = std::getenv("CLUDEMAP_TEST_TARGET");
  return target != nullptr && std::string(target) == "windows";
}

namespace {

// CR LF for every LF, but where `keepContinuations`, not for the LF of a
// line continuation (after an odd number of backslashes).
std::string withCrLf(const std::string& text, bool keepContinuations) {
  if (!windowsTarget()) return text;
  std::string converted;
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\n' && !(keepContinuations && backslashes % 2 == 1)) converted += '\r';
    converted += c;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  return converted;
}

}  // namespace

std::string textMode(const std::string& text) { return withCrLf(text, false); }

std::string dotLineEnds(const std::string& text) { return withCrLf(text, true); }

std::string graphvizErrors(const fs::path& file) {
  // Laying out many thousands of nodes takes dot minutes, so large files are
  // only read, by Graphviz's own reader (nop).
  std::error_code error;
  const bool large = fs::file_size(file, error) > std::uintmax_t{256} * 1024;
  const std::string reader = large ? NOP_EXECUTABLE : DOT_EXECUTABLE " -Tsvg -o/dev/null";
  const CommandResult result = runCommand(reader + " " + shellQuote(file.string()), ".");
  return result.status == 0 ? "" : "Graphviz rejects " + file.string() + ":\n" + result.err;
}
