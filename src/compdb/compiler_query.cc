#include "compdb/compiler_query.h"

#include <algorithm>

#include "compdb/program_run.h"

namespace {

constexpr std::string_view kFramework = " (framework directory)";

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return line;
}

}  // namespace

std::optional<CompilerDirectories> parseSearchList(std::string_view report) {
  CompilerDirectories directories;
  std::vector<std::string>* list = nullptr;
  while (!report.empty()) {
    const std::size_t end = std::min(report.find('\n'), report.size());
    const std::string_view line = trimmed(report.substr(0, end));
    report.remove_prefix(std::min(end + 1, report.size()));
    if (line == kQuoteListHeading) {
      list = &directories.quote;
    } else if (line == kAngleListHeading) {
      list = &directories.angle;
    } else if (line == kSearchListEnd && list != nullptr) {
      return directories;
    } else if (list != nullptr && !line.empty() && !endsWith(line, kFramework)) {
      list->emplace_back(line);
    }
  }
  return std::nullopt;
}

Expected<CompilerDirectories> queryCompiler(const std::string& compiler, SourceLanguage language) {
  const Expected<ProgramOutput> run =
      runProgram(compiler, {"-E", "-x", languageOption(language), "-v", "-"}, {"LC_ALL=C"});
  if (!run) {
    return Error{ErrorCategory::kUnusableInput,
                 "cannot run the compiler " + compiler + ": " + run.error().message};
  }
  std::optional<CompilerDirectories> directories = parseSearchList(run->output);
  if (!directories) {
    return Error{ErrorCategory::kUnusableInput,
                 "the compiler " + compiler + " reported no include search list (exit status " +
                     std::to_string(run->status) + ")"};
  }
  return std::move(*directories);
}
