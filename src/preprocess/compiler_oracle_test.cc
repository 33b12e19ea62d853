#include "preprocess/compiler_oracle_test.h"

#include <algorithm>
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

struct Scratch {
  std::filesystem::path root = std::filesystem::temp_directory_path() /
                               ("cludemap-preprocess-" + std::to_string(std::random_device()()));
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

void addLines(std::string& text, int& lines, const std::string& more) {
  if (more.empty()) return;
  text += more;
  lines += static_cast<int>(std::count(more.begin(), more.end(), '\n'));
  if (more.back() != '\n') {
    text += '\n';
    ++lines;
  }
}

}  // namespace

std::filesystem::path scratchDirectory() {
  static const Scratch scratch;  // the test program's, removed at its end
  std::filesystem::path directory = scratch.root / std::to_string(std::random_device()());
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
    line.append(" '").append(name) += '\'';
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
  for (std::string line; std::getline(lines, line);) {
    const std::size_t mark = line.find(": error: ");
    if (line.compare(0, file.size() + 1, file + ":") != 0 || mark == std::string::npos) continue;
    errors.emplace(std::atoi(line.c_str() + file.size() + 1), line.substr(mark + 9));
  }
  return errors;
}

BlockRun compileBlocks(const std::string& command, const std::filesystem::path& directory,
                       const std::vector<Block>& blocks) {
  std::string source;
  int lines = 0;
  std::vector<int> firstLines;
  BlockRun run;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    firstLines.push_back(lines + 1);
    addLines(source, lines, blocks[i].defines);
    run.bodyLines.push_back(lines + 1);
    std::string body = blocks[i].body;
    body.replace(body.find("@@"), 2, "R" + std::to_string(i) + "_");
    addLines(source, lines, body);
    std::istringstream defines(blocks[i].defines);
    for (std::string define; std::getline(defines, define);) {
      const Tokens tokens = tokenize(define);
      if (tokens.size() > 2) addLines(source, lines, "#undef " + std::string(tokens[2].text));
    }
  }
  firstLines.push_back(lines + 1);
  const CompilerRun compiler = runCompiler(command, directory, {{"blocks.txt", source}});
  run.ran = compiler.ran;
  run.output.resize(blocks.size());
  std::istringstream out(compiler.out);
  for (std::string line; std::getline(out, line);) {
    const std::size_t end = line.find('_');
    if (!line.empty() && line[0] == 'R' && end != std::string::npos) {
      run.output.at(std::stoul(line.substr(1))) = line.substr(end + 1);
    }
  }
  const std::map<int, std::string> errors = errorsByLine(compiler.err, "blocks.txt");
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto error = errors.lower_bound(firstLines[i]);
    run.failed.push_back(error != errors.end() && error->first < firstLines[i + 1]);
  }
  return run;
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

std::string repeat(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}
