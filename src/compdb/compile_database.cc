#include "compdb/compile_database.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

// RapidJSON scans strings and blanks 16 bytes at a time where SSE2 is
// there, which every x86-64 processor has.
#if defined(__SSE2__) || defined(_M_X64)
#define RAPIDJSON_SSE2
#endif
#include <rapidjson/document.h>

#include "compdb/command_split.h"
#include "compdb/lexical_path.h"
#include "util/line_count.h"
#include "util/path_separator.h"
#include "util/read_file.h"
#include "util/source_names.h"

namespace fs = std::filesystem;

namespace {

// Zero bytes after the text: the end mark of the in-place parse, and room
// for the scans of RapidJSON that read whole aligned 16-byte blocks.
constexpr std::size_t kPadding = 64;

std::string_view textOf(const rapidjson::Value& value) {
  return {value.GetString(), value.GetStringLength()};
}

// Why the file `file` is not one to read, as ": problem", or "". Only a
// regular file is read: opening a FIFO would wait for a writer.
std::string unreadable(const std::string& file) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (status.type() == fs::file_type::not_found) return ": no such file";
  if (fs::is_directory(status)) return ": is a directory";
  if (error) return ": cannot read";
  return fs::is_regular_file(status) ? "" : ": not a regular file";
}

const char* syntaxProblem(rapidjson::ParseErrorCode code) {
  switch (code) {
    case rapidjson::kParseErrorDocumentEmpty:
      return "empty document";
    case rapidjson::kParseErrorDocumentRootNotSingular:
      return "text after the end";
    case rapidjson::kParseErrorObjectMissName:
      return "missing a name";
    case rapidjson::kParseErrorObjectMissColon:
      return "missing a colon";
    case rapidjson::kParseErrorObjectMissCommaOrCurlyBracket:
      return "missing a comma or '}'";
    case rapidjson::kParseErrorArrayMissCommaOrSquareBracket:
      return "missing a comma or ']'";
    case rapidjson::kParseErrorStringUnicodeEscapeInvalidHex:
    case rapidjson::kParseErrorStringUnicodeSurrogateInvalid:
    case rapidjson::kParseErrorStringEscapeInvalid:
      return "invalid escape";
    case rapidjson::kParseErrorStringMissQuotationMark:
      return "missing a closing quote";
    case rapidjson::kParseErrorNumberTooBig:
    case rapidjson::kParseErrorNumberMissFraction:
    case rapidjson::kParseErrorNumberMissExponent:
      return "invalid number";
    default:
      return "invalid value";
  }
}

// The syntax error at `offset` of `file`, placed in the file as it is
// again: the in-place parse has overwritten the text read.
std::string syntaxError(const std::string& file, std::size_t offset, const char* problem) {
  const Expected<std::string> text = readWholeFile(file);
  const std::string place = text ? ":" + lineAndColumn(*text, offset) : "";
  return place + ": invalid JSON: " + problem;
}

bool isStringArray(const rapidjson::Value& value) {
  if (!value.IsArray()) return false;
  const auto words = value.GetArray();
  return std::all_of(words.begin(), words.end(), [](const auto& word) { return word.IsString(); });
}

// The members of an entry the database reads.
struct EntryMembers {
  const rapidjson::Value* directory = nullptr;
  const rapidjson::Value* file = nullptr;
  const rapidjson::Value* arguments = nullptr;
  const rapidjson::Value* command = nullptr;
  const rapidjson::Value* output = nullptr;
};

// Finds the members of `entry` in one pass; of repeated names the first
// counts.
EntryMembers entryMembers(const rapidjson::Value& entry) {
  EntryMembers members;
  for (const auto& member : entry.GetObject()) {
    const std::string_view name = textOf(member.name);
    const rapidjson::Value** slot = name == "directory"   ? &members.directory
                                    : name == "file"      ? &members.file
                                    : name == "arguments" ? &members.arguments
                                    : name == "command"   ? &members.command
                                    : name == "output"    ? &members.output
                                                          : nullptr;
    if (slot != nullptr && *slot == nullptr) *slot = &member.value;
  }
  return members;
}

// What is wrong with the members of an entry, or "".
std::string entryProblem(const EntryMembers& members) {
  const std::pair<const char*, const rapidjson::Value*> strings[] = {
      {"directory", members.directory}, {"file", members.file}};
  for (const auto& [name, value] : strings) {
    if (value == nullptr) return std::string(" has no \"") + name + '"';
    if (!value->IsString()) return std::string(": \"") + name + "\" is not a string";
  }
  if (members.arguments != nullptr && !isStringArray(*members.arguments)) {
    return ": \"arguments\" is not an array of strings";
  }
  if (members.arguments == nullptr && members.command == nullptr) {
    return " has no \"arguments\" or \"command\"";
  }
  if (members.arguments == nullptr && !members.command->IsString()) {
    return ": \"command\" is not a string";
  }
  if (members.output != nullptr && !members.output->IsString()) {
    return ": \"output\" is not a string";
  }
  return "";
}

bool isSourceName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && isCompiledExtension(name.substr(dot + 1));
}

std::string_view stemOf(std::string_view name) { return name.substr(0, name.rfind('.')); }

}  // namespace

struct CompileDatabase::Json {
  std::string text;  // the document's strings point into it
  rapidjson::Document document;
  std::vector<const rapidjson::Value*> commands;  // each entry's "arguments" or "command"
};

CompileDatabase::CompileDatabase(std::string file, std::unique_ptr<Json> json)
    : file_(std::move(file)), json_(std::move(json)) {}
CompileDatabase::CompileDatabase(CompileDatabase&& other) noexcept = default;
CompileDatabase& CompileDatabase::operator=(CompileDatabase&& other) noexcept = default;
CompileDatabase::~CompileDatabase() = default;

std::string CompileDatabase::databaseFile(const std::string& path) {
  std::error_code error;
  if (!fs::is_directory(path, error)) return path;
  return (fs::path(path) / "compile_commands.json").string();
}

Expected<CompileDatabase> CompileDatabase::load(const std::string& path) {
  const std::string file = databaseFile(path);
  auto json = std::make_unique<Json>();
  std::string problem = unreadable(file);
  if (problem.empty()) {
    Expected<std::string> read = readWholeFile(file, kPadding);
    if (read) {
      json->text = std::move(*read);
    } else {
      problem = ": cannot read";
    }
  }
  if (problem.empty()) {
    // The in-place parse takes a NUL byte for the end of the text.
    const std::string_view read(json->text.data(), json->text.size() - kPadding);
    if (const std::size_t nul = read.find('\0'); nul != std::string_view::npos) {
      problem = syntaxError(file, nul, "a NUL byte");
    } else if (json->document.ParseInsitu<rapidjson::kParseIterativeFlag>(json->text.data())
                   .HasParseError()) {
      problem = syntaxError(file, json->document.GetErrorOffset(),
                            syntaxProblem(json->document.GetParseError()));
    }
  }
  std::optional<CompileDatabase> database;
  if (problem.empty()) {
    database.emplace(CompileDatabase(file, std::move(json)));
    std::error_code unused;
    problem = database->fillEntries(fs::absolute(file, unused).parent_path().string());
  }
  if (problem.empty()) return std::move(*database);
  return Error{ErrorCategory::kUnusableInput, file + problem};
}

std::string CompileDatabase::fillEntries(const std::string& folder) {
  const rapidjson::Value& top = json_->document;
  if (!top.IsArray()) return ": the top level is not an array";
  if (top.Empty()) return ": no entries";
  // Entries of one build mostly share their directory.
  std::string_view lastDirectory;
  for (const rapidjson::Value& entry : top.GetArray()) {
    EntryMembers members;
    std::string problem = " is not an object";
    if (entry.IsObject()) {
      members = entryMembers(entry);
      problem = entryProblem(members);
    }
    if (!problem.empty()) return ": entry " + std::to_string(entries_.size() + 1) + problem;
    CompileEntry& added = entries_.emplace_back();
    const std::string_view directory = textOf(*members.directory);
    added.directory = entries_.size() > 1 && directory == lastDirectory
                          ? entries_[entries_.size() - 2].directory
                          : absolutePath(folder, directory);
    lastDirectory = directory;
    added.file = absolutePath(added.directory, textOf(*members.file));
    if (members.output != nullptr) added.output = textOf(*members.output);
    json_->commands.push_back(members.arguments != nullptr ? members.arguments : members.command);
  }
  return "";
}

EntryChoice CompileDatabase::choose(const std::string& header) const {
  std::error_code unused;
  const std::string start = absolutePath(fs::current_path(unused).string(), header);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].file == start) return {i, EntryMatch::kSameFile};
  }
  const std::string_view directory = parentPath(start);
  const std::string_view name = fileName(start);
  if (!isSourceName(name)) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const std::string_view source = fileName(entries_[i].file);
      if (isSourceName(source) && stemOf(source) == stemOf(name) &&
          parentPath(entries_[i].file) == directory) {
        return {i, EntryMatch::kSameStem};
      }
    }
  }
  EntryChoice nearest{0, EntryMatch::kNearestDirectory};
  std::size_t mostShared = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::size_t shared = sharedComponents(parentPath(entries_[i].file), directory);
    if (shared > mostShared || i == 0) {
      nearest.index = i;
      mostShared = shared;
    }
  }
  return nearest;
}

std::vector<std::string> CompileDatabase::arguments(std::size_t index) const {
  const rapidjson::Value& command = *json_->commands[index];
  if (command.IsString()) return splitCommand(textOf(command));
  std::vector<std::string> words;
  words.reserve(command.Size());
  for (const rapidjson::Value& word : command.GetArray()) words.emplace_back(textOf(word));
  return words;
}

std::string CompileDatabase::compiler(std::size_t index) const {
  std::vector<std::string> words = arguments(index);
  if (words.empty()) return "";
  if (isAbsolutePath(words.front()) || !hasSystemSeparator(words.front())) return words.front();
  return absolutePath(entries_[index].directory, words.front());
}
