#include "testing/test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include <rapidjson/document.h>

#include "app/run_config.h"
#include "graph/include_tree_dot.h"
#include "metrics/file_metrics.h"
#include "metrics/json_writer.h"
#include "scan/scan.h"
#include "testing/metrics_model.h"

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

namespace {

// The command line that asks the tool for the run `options` describe.
Strings commandLineOf(const ModelOptions& options, bool facts) {
  Strings args = {"cludemap", "-T", facts ? "json" : "dot", "-o", "-"};
  for (const ModelSearchDir& dir : options.dirs) {
    args.push_back(dir.kind == 'q' ? "-iquote" : dir.kind == 's' ? "-isystem" : "-I");
    args.push_back(dir.prefix);
  }
  if (options.tree) args.emplace_back("--tree");
  if (options.maxDepth) args.push_back("--max-depth=" + std::to_string(*options.maxDepth));
  for (const std::string& glob : options.leafGlobs) args.push_back("--leaf=" + glob);
  for (const std::string& glob : options.excludeGlobs) args.push_back("--exclude=" + glob);
  args.push_back(options.system == 'h'   ? "--system=hide"
                 : options.system == 'l' ? "--system=leaf"
                                         : "--system=follow");
  args.push_back(options.warnings == 'o'   ? "--warnings=once"
                 : options.warnings == 'n' ? "--warnings=none"
                                           : "--warnings=all");
  args.emplace_back("--");
  args.insert(args.end(), options.starts.begin(), options.starts.end());
  return args;
}

// The run's configuration as the driver makes it from `args`.
RunConfig configOf(const Strings& args) {
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
  std::ostringstream verbose;
  Expected<RunConfig> config = makeRunConfig(line, verbose);
  if (!config) {
    throw std::runtime_error("no run for the test's command line: " + config.error().message);
  }
  return std::move(*config);
}

// Writes `result` with `write` twice: a writer depends on the result
// alone, so both texts must be the same.
template <typename Write>
std::string writtenTwice(Write write, std::string& difference) {
  std::ostringstream first;
  std::ostringstream second;
  write(first);
  write(second);
  if (first.str() != second.str()) difference += "a second writing gave other text\n";
  return first.str();
}

}  // namespace

std::string compareWithModel(const HeaderTree& tree, const fs::path& directory, std::string* dot,
                             std::optional<unsigned> readerThreads, bool facts) {
  writeFiles(directory, tree.files);
  const fs::path previous = fs::current_path();
  fs::current_path(directory);
  // The model knows the command line's directories only.
  unsetenv("CLUDEMAP_INCLUDE_PATH");
  std::ostringstream warningText;
  std::string difference;
  std::string dotText;
  std::string json;
  std::string directives;
  {
    RunConfig config = configOf(commandLineOf(tree.options, facts));
    config.scan.readerThreads = readerThreads;
    WarningSink warnings(warningText);
    warnings.setMode(config.warnings);
    const ScanResult result = scanIncludes(config.scan, warnings);
    IncludeTreeDotOptions options;
    options.tree = config.tree;
    dotText = writtenTwice([&](std::ostream& out) { writeIncludeTreeDot(out, result, options); },
                           difference);
    if (facts) {
      json = writtenTwice(
          [&](std::ostream& out) {
            writeJson(out, result.files, computeMetrics(result.files), "test");
          },
          difference);
      directives = directiveFacts(result.files);
    }
  }
  fs::current_path(previous);
  const ToolOutput model = runModel(tree.options, directory);
  if (dot != nullptr) *dot = dotText;
  difference += textDifference("warnings", warningText.str(), model.warnings) +
                textDifference("DOT text", dotText, model.dot);
  if (facts) {
    difference += textDifference("JSON", jsonFacts(json), modelFacts(model.files)) +
                  textDifference("directives", directives, directiveFacts(model.files));
  }
  return difference;
}

std::string joinNumbers(const std::vector<std::size_t>& values) {
  std::string text;
  for (std::size_t value : values) text += (text.empty() ? "" : ",") + std::to_string(value);
  return text;
}

std::string numberOrNone(std::optional<std::size_t> value) {
  return value ? std::to_string(*value) : "none";
}

std::vector<std::size_t> jsonIndices(const rapidjson::Value& list) {
  std::vector<std::size_t> values;
  for (const rapidjson::Value& value : list.GetArray()) values.push_back(value.GetUint64());
  return values;
}

std::string numberOrNone(const rapidjson::Value& value) {
  return value.IsNull() ? "none" : std::to_string(value.GetUint64());
}

namespace {

using rapidjson::Value;

// The exact bytes of a name: from "KEYBytes" where the text had to be
// repaired.
std::string exactName(const Value& object, const std::string& key) {
  std::string text(object[key.c_str()].GetString(), object[key.c_str()].GetStringLength());
  const auto hex = object.FindMember((key + "Bytes").c_str());
  if (hex == object.MemberEnd()) return text;
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex->value.GetStringLength(); at += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex->value.GetString() + at, 2), nullptr, 16));
  }
  return bytes == text ? text + " (needless " + key + "Bytes)" : bytes;
}

// What the document says of one file, or the model.
struct FileFacts {
  std::string path;
  bool found, system, expanded;
  std::uint64_t bytes, lines;
  std::vector<std::size_t> includes;
  std::uint64_t closureFiles, closureBytes, closureLines, includedBy, reachedFrom;
  std::string depth, via;
};

struct GraphFacts {
  std::vector<std::size_t> roots;
  std::vector<FileFacts> files;
  std::vector<std::string> unresolved;  // their order is not defined
  std::vector<std::vector<std::size_t>> cycles;
  std::uint64_t warnings = 0;
};

std::string factsText(GraphFacts facts) {
  std::string out = "roots " + joinNumbers(facts.roots) + "\n";
  for (const FileFacts& f : facts.files) {
    out += f.path + (f.found ? " found" : " missing") + (f.system ? " system" : "") +
           (f.expanded ? " expanded " : " ") + std::to_string(f.bytes) + "/" +
           std::to_string(f.lines) + " includes=" + joinNumbers(f.includes) +
           " closure=" + std::to_string(f.closureFiles) + "/" + std::to_string(f.closureBytes) +
           "/" + std::to_string(f.closureLines) + " by=" + std::to_string(f.includedBy) +
           " from=" + std::to_string(f.reachedFrom) + " depth=" + f.depth + " via=" + f.via + "\n";
  }
  std::sort(facts.unresolved.begin(), facts.unresolved.end());
  for (const std::string& name : facts.unresolved) out += "unresolved " + name + "\n";
  for (const auto& cycle : facts.cycles) out += "cycle " + joinNumbers(cycle) + "\n";
  return out + "warnings " + std::to_string(facts.warnings) + "\n";
}

std::string unresolvedName(std::size_t includer, std::size_t line, const std::string& name) {
  return std::to_string(includer) + ":" + std::to_string(line) + " " + name;
}

}  // namespace

std::string jsonFacts(const std::string& json) {
  rapidjson::Document document;
  document.Parse<rapidjson::kParseValidateEncodingFlag>(json.c_str(), json.size());
  if (document.HasParseError()) return "not JSON at " + std::to_string(document.GetErrorOffset());
  GraphFacts facts{jsonIndices(document["roots"]), {}, {}, {}, document["warnings"].GetUint64()};
  for (const Value& file : document["files"].GetArray()) {
    const Value& closure = file["closure"];
    facts.files.push_back(
        {exactName(file, "path"), file["found"].GetBool(), file["system"].GetBool(),
         file["expanded"].GetBool(), file["bytes"].GetUint64(), file["lines"].GetUint64(),
         jsonIndices(file["includes"]), closure["files"].GetUint64(), closure["bytes"].GetUint64(),
         closure["lines"].GetUint64(), file["includedBy"].GetUint64(),
         file["reachedFrom"].GetUint64(), numberOrNone(file["depth"]), numberOrNone(file["via"])});
  }
  for (const Value& name : document["unresolved"].GetArray()) {
    facts.unresolved.push_back(unresolvedName(name["includer"].GetUint64(),
                                              name["line"].GetUint64(), exactName(name, "name")));
  }
  for (const Value& cycle : document["cycles"].GetArray())
    facts.cycles.push_back(jsonIndices(cycle));
  return factsText(facts);
}

std::string modelFacts(const FileGraph& graph) {
  std::vector<ModelFile> input;
  for (const FileRecord& file : graph.files) {
    input.push_back({file.bytes, file.lines, {}});
    for (const FileDirective& to : file.directives) input.back().targets.push_back(to.file);
  }
  const ModelMetrics metrics = modelMetrics(input, graph.roots);
  GraphFacts facts{graph.roots, {}, {}, metrics.cycles, graph.warnings};
  for (std::size_t i = 0; i < graph.files.size(); ++i) {
    const FileRecord& file = graph.files[i];
    const ModelFigures& figures = metrics.files[i];
    facts.files.push_back({file.path, file.found, file.system, file.expanded, file.bytes,
                           file.lines, figures.includes, figures.closureFiles, figures.closureBytes,
                           figures.closureLines, figures.includedBy, figures.reachedFrom,
                           numberOrNone(figures.depth), numberOrNone(figures.via)});
  }
  for (const UnresolvedName& name : graph.unresolved) {
    facts.unresolved.push_back(unresolvedName(name.includer, name.line, name.name));
  }
  return factsText(facts);
}

std::string directiveFacts(const FileGraph& graph) {
  std::string facts;
  for (std::size_t i = 0; i < graph.files.size(); ++i) {
    facts += std::to_string(i) + ":";
    for (const FileDirective& directive : graph.files[i].directives) {
      facts += " " + std::to_string(directive.line) + ">" + std::to_string(directive.file) + "=" +
               directive.name;
    }
    facts += "\n";
  }
  return facts;
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
