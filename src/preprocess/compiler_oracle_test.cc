#include "preprocess/compiler_oracle_test.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "preprocess/tokenize.h"

namespace {

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Removes the scratch directories when the test program ends.
struct Scratch {
  std::filesystem::path root;
  Scratch() {
    std::random_device seed;
    root =
        std::filesystem::temp_directory_path() / ("cludemap-preprocess-" + std::to_string(seed()));
    std::filesystem::create_directories(root);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

}  // namespace

std::filesystem::path scratchDirectory() {
  static const Scratch scratch;  // the test program's, removed at its end
  std::random_device seed;
  const std::filesystem::path directory = scratch.root / std::to_string(seed());
  std::filesystem::create_directories(directory);
  return directory;
}

void writeText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

CompilerRun runCompiler(const std::string& command, const std::filesystem::path& directory,
                        const std::vector<std::pair<std::string, std::string>>& files) {
  std::string line = "cd '" + directory.string() + "' && " + command;
  for (const auto& [name, text] : files) {
    writeText(directory / name, text);
    line += " '" + name + "'";
  }
  line += " >stdout.txt 2>stderr.txt";
  CompilerRun run;
  run.ran = std::system(line.c_str()) != -1;
  run.out = readText(directory / "stdout.txt");
  run.err = readText(directory / "stderr.txt");
  run.ran = run.ran && run.err.find("not found") == std::string::npos;
  return run;
}

std::map<int, std::string> errorsByLine(const std::string& err, const std::string& file) {
  std::map<int, std::string> errors;
  std::istringstream lines(err);
  const std::string prefix = file + ":";
  for (std::string line; std::getline(lines, line);) {
    const std::size_t mark = line.find(": error: ");
    if (line.compare(0, prefix.size(), prefix) != 0 || mark == std::string::npos) continue;
    const int number = std::atoi(line.c_str() + prefix.size());
    errors.emplace(number, line.substr(mark + 9));
  }
  return errors;
}

Unit::Unit(const Dialect& dialect) : macros(dialect) { language.dialect = dialect; }

std::string Unit::run(const std::string& directives) {
  std::string first;
  std::istringstream lines(directives);
  for (std::string line; std::getline(lines, line);) {
    const Tokens tokens = tokenize(line, false, language.dialect);
    if (tokens.size() < 2 || tokens[0].text != "#") continue;
    const Tokens operands(tokens.begin() + 2, tokens.end());
    const std::string error =
        tokens[1].text == "define" ? macros.define(operands) : macros.undefine(operands);
    if (first.empty()) first = error;
  }
  return first;
}

std::string spellings(const Tokens& tokens) {
  std::string text;
  for (const Token& token : tokens) {
    if (!text.empty()) text += ' ';
    text += token.text;
  }
  return text;
}

// The lines of `text` appended to `lines`.
void addLines(std::vector<std::string>& lines, const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The #undef lines for what `defines` defines.
std::string undefines(const std::string& defines) {
  std::istringstream lines(defines);
  std::string out;
  for (std::string line; std::getline(lines, line);) {
    const Tokens tokens = tokenize(line);
    if (tokens.size() > 2 && tokens[1].text == "define") {
      out += "#undef " + std::string(tokens[2].text) + "\n";
    }
  }
  return out;
}
