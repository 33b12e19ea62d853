#include "compdb/command_split.h"

#include <algorithm>

namespace {

bool isPosixBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isWindowsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Appends the quoted text that starts at `i` (after the opening quote) to
// `word` and returns the position of the closing quote, or the end.
std::size_t readSingleQuoted(std::string_view command, std::size_t i, std::string& word) {
  const std::size_t end = std::min(command.find('\'', i), command.size());
  word.append(command.substr(i, end - i));
  return end;
}

std::size_t readDoubleQuoted(std::string_view command, std::size_t i, std::string& word) {
  for (; i < command.size() && command[i] != '"'; ++i) {
    const char next = i + 1 < command.size() ? command[i + 1] : '\0';
    if (command[i] != '\\' || std::string_view("\"\\$`\n").find(next) == std::string_view::npos) {
      word += command[i];
    } else if (next != '\n') {
      word += command[++i];
    } else {
      ++i;
    }
  }
  return i;
}

// Reads the program name at the start of a Windows command line into
// `word` and returns where it ends.
std::size_t readWindowsProgram(std::string_view command, std::size_t i, std::string& word) {
  bool quoted = false;
  for (; i < command.size() && (quoted || !isWindowsBlank(command[i])); ++i) {
    if (command[i] == '"') {
      quoted = !quoted;
    } else {
      word += command[i];
    }
  }
  return i;
}

// Reads one later word of a Windows command line into `word` and returns
// where it ends.
std::size_t readWindowsWord(std::string_view command, std::size_t i, std::string& word) {
  bool quoted = false;
  while (i < command.size() && (quoted || !isWindowsBlank(command[i]))) {
    std::size_t backslashes = 0;
    for (; i < command.size() && command[i] == '\\'; ++i) ++backslashes;
    if (i < command.size() && command[i] == '"') {
      word.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        word += '"';
      } else if (quoted && i + 1 < command.size() && command[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      ++i;
    } else if (backslashes > 0) {
      word.append(backslashes, '\\');
    } else {
      word += command[i++];
    }
  }
  return i;
}

}  // namespace

std::vector<std::string> splitPosixCommand(std::string_view command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (isPosixBlank(c)) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '\\' && i + 1 < command.size() && command[i + 1] == '\n') {
      ++i;
    } else {
      inWord = true;
      if (c == '\'') {
        i = readSingleQuoted(command, i + 1, word);
      } else if (c == '"') {
        i = readDoubleQuoted(command, i + 1, word);
      } else {
        word += c == '\\' && i + 1 < command.size() ? command[++i] : c;
      }
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> splitWindowsCommand(std::string_view command) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < command.size()) {
    while (i < command.size() && isWindowsBlank(command[i])) ++i;
    if (i == command.size()) break;
    std::string word;
    i = words.empty() ? readWindowsProgram(command, i, word) : readWindowsWord(command, i, word);
    words.push_back(std::move(word));
  }
  return words;
}

std::vector<std::string> splitCommand(std::string_view command) {
#if defined(_WIN32)
  return splitWindowsCommand(command);
#else
  return splitPosixCommand(command);
#endif
}

std::string quoteWindowsArgument(std::string_view word) {
  if (!word.empty() && word.find_first_of(" \t\n\r\"") == std::string_view::npos) {
    return std::string(word);
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled and the quote escaped.
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  // Before the closing quote they are doubled.
  quoted.append(2 * backslashes, '\\');
  return quoted + '"';
}
