#include "app/search_setup.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "compdb/compile_database.h"
#include "compdb/compiler_query.h"
#include "compdb/include_options.h"
#include "compdb/search_report.h"
#include "compdb/source_language.h"

namespace {

constexpr char kIncludePathSeparator =
    std::filesystem::path::preferred_separator == '\\' ? ';' : ':';

// The directories of each kind that the build adds to the command line's.
struct BuildDirectories {
  IncludeOptions database;
  CompilerDirectories compiler;
};

using AskedCompilers = std::map<std::pair<std::string, SourceLanguage>, CompilerDirectories>;

// The directories of the compiler that --query-compiler asks for an entry
// whose compiler is `entryCompiler`, compiling `file` with `arguments`, in
// the entry's language; each compiler asked once for each language.
std::optional<Error> compilerDirectories(const CommandLine& line, const std::string& entryCompiler,
                                         const std::vector<std::string>& arguments,
                                         const std::string& file, AskedCompilers& asked,
                                         CompilerDirectories& directories) {
  const std::string compiler = compilerToAsk(*line.queryCompiler, entryCompiler);
  const SourceLanguage language = sourceLanguageOf(arguments, file, compiler);
  const auto known = asked.find({compiler, language});
  if (known == asked.end()) {
    Expected<CompilerDirectories> answer = queryCompiler(compiler, language);
    if (!answer) return answer.error();
    directories = *answer;
    asked.emplace(std::make_pair(compiler, language), std::move(*answer));
  } else {
    directories = known->second;
  }
  return std::nullopt;
}

std::optional<Error> readBuild(const CommandLine& line, const std::string& firstStart,
                               BuildDirectories& build, StartCommand& command,
                               std::ostream& verbose) {
  std::string file = firstStart;
  if (line.compileDatabase) {
    const Expected<CompileDatabase> database = CompileDatabase::load(*line.compileDatabase);
    if (!database) return database.error();
    const EntryChoice choice = database->choose(firstStart);
    command.arguments = database->arguments(choice.index);
    command.directory = database->entries()[choice.index].directory;
    command.compiler = database->compiler(choice.index);
    file = database->entries()[choice.index].file;
    build.database = includeOptions(command.arguments, command.directory);
    if (line.verbose) verbose << describeEntryChoice(*database, choice);
  }
  if (line.queryCompiler) {
    AskedCompilers asked;
    return compilerDirectories(line, command.compiler, command.arguments, file, asked,
                               build.compiler);
  }
  return std::nullopt;
}

void addAll(SearchList& list, const std::vector<std::string>& directories, SearchList::Kind kind) {
  for (const std::string& directory : directories) list.add(directory, kind);
}

void writeSearchList(const SearchList& list, std::ostream& verbose) {
  std::vector<std::string> quoteOnly;
  std::vector<std::string> both;
  for (const SearchList::Entry& entry : list.entries()) {
    (entry.kind == SearchList::Kind::kQuotedOnly ? quoteOnly : both).push_back(entry.prefix);
  }
  verbose << describeSearchLists(quoteOnly, both);
}

// The search list of a run with `build`'s directories, in search order.
void fillSearchList(const CommandLine& line, const BuildDirectories& build, SearchList& list) {
  using Kind = SearchList::Kind;
  addAll(list, line.quoteDirs, Kind::kQuotedOnly);
  addAll(list, build.database.quote, Kind::kQuotedOnly);
  addAll(list, build.compiler.quote, Kind::kQuotedOnly);
  addAll(list, line.includeDirs, Kind::kBoth);
  addAll(list, build.database.include, Kind::kBoth);
  addAll(list, line.systemDirs, Kind::kSystem);
  addAll(list, build.database.system, Kind::kSystem);
  if (const char* value = std::getenv(kIncludePathVariable)) {
    addAll(list, splitIncludePath(value, kIncludePathSeparator), Kind::kSystem);
  }
  addAll(list, build.compiler.angle, Kind::kSystem);
  addAll(list, line.afterDirs, Kind::kSystem);
  addAll(list, build.database.after, Kind::kSystem);
}

// The text that tells search lists apart: each entry's kind and prefix.
std::string listKey(const SearchList& list) {
  std::string key;
  for (const SearchList::Entry& entry : list.entries()) {
    key += static_cast<char>('0' + static_cast<int>(entry.kind));
    key += entry.prefix;
    key += '\0';
  }
  return key;
}

}  // namespace

std::string compilerToAsk(const std::string& named, const std::string& entryCompiler) {
  if (!named.empty()) return named;
  if (!entryCompiler.empty()) return entryCompiler;
  const char* cxx = std::getenv("CXX");
  return cxx != nullptr && *cxx != '\0' ? cxx : "c++";
}

std::vector<std::string> splitIncludePath(std::string_view value, char separator) {
  std::vector<std::string> directories;
  while (!value.empty()) {
    const std::size_t end = value.find(separator);
    if (end != 0) directories.emplace_back(value.substr(0, end));
    value.remove_prefix(end == std::string_view::npos ? value.size() : end + 1);
  }
  return directories;
}

std::optional<Error> setUpSearchList(const CommandLine& line, const std::string& firstStart,
                                     SearchList& list, StartCommand& command,
                                     std::ostream& verbose) {
  BuildDirectories build;
  if (std::optional<Error> error = readBuild(line, firstStart, build, command, verbose)) {
    return error;
  }
  fillSearchList(line, build, list);
  if (line.verbose) writeSearchList(list, verbose);
  return std::nullopt;
}

std::optional<Error> setUpProjectStarts(const CommandLine& line, ProjectStarts& project,
                                        std::ostream& verbose) {
  const Expected<CompileDatabase> database = CompileDatabase::load(*line.compileDatabase);
  if (!database) return database.error();
  std::unordered_set<std::string_view> files;
  std::unordered_map<std::string, std::size_t> lists;
  AskedCompilers compilers;
  const std::vector<CompileEntry>& entries = database->entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!files.insert(entries[i].file).second) continue;
    BuildDirectories build;
    const std::vector<std::string> arguments = database->arguments(i);
    build.database = includeOptions(arguments, entries[i].directory);
    if (line.queryCompiler) {
      std::optional<Error> error = compilerDirectories(line, database->compiler(i), arguments,
                                                       entries[i].file, compilers, build.compiler);
      if (error) return error;
    }
    SearchList list;
    fillSearchList(line, build, list);
    const auto [known, added] = lists.try_emplace(listKey(list), project.lists.size());
    if (added) {
      if (line.verbose) {
        verbose << describeEntryChoice(*database, EntryChoice{i, EntryMatch::kSameFile});
        writeSearchList(list, verbose);
      }
      project.lists.push_back(std::move(list));
    }
    project.files.push_back(entries[i].file);
    project.listOf.push_back(known->second);
    project.commands.push_back(
        StartCommand{database->compiler(i), arguments, entries[i].directory});
  }
  return std::nullopt;
}
