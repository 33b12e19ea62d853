#include "compdb/compile_database.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
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

namespace fs = std::filesystem;

namespace {

// Zero bytes after the text: the end mark of the in-place parse, and room
// for the scans of RapidJSON that read whole aligned 16-byte blocks.
constexpr std::size_t kPadding = 64;

constexpr std::string_view kSourceExtensions[] = {"c",  "cc",  "cp",  "cpp", "cxx", "c++", "C",
                                                  "CC", "CPP", "CXX", "m",   "mm",  "M",   "cu"};

std::string_view textOf(const rapidjson::Value& value) {
  return {value.GetString(), value.GetStringLength()};
}

// Reads the file into `text`, followed by kPadding zero bytes, and returns
// its size, or nothing with the problem in `problem`.
std::optional<std::size_t> readText(const std::string& file, std::unique_ptr<char[]>& text,
                                    std::string& problem) {
  std::error_code error;
  const fs::path path(file);
  const fs::file_status status = fs::status(path, error);
  const std::uintmax_t size = fs::is_regular_file(status) ? fs::file_size(path, error) : 0;
  // Only a regular file is opened: opening a FIFO would wait for a writer.
  std::ifstream in;
  if (!error && fs::is_regular_file(status)) in.open(path, std::ios::binary);
  if (status.type() == fs::file_type::not_found) {
    problem = ": no such file";
  } else if (fs::is_directory(status)) {
    problem = ": is a directory";
  } else if (!error && !fs::is_regular_file(status)) {
    problem = ": not a regular file";
  } else if (error || !in) {
    problem = ": cannot read";
  } else {
    text.reset(new char[size + kPadding]);
    in.read(text.get(), static_cast<std::streamsize>(size));
    const auto count = static_cast<std::size_t>(in.gcount());
    std::memset(text.get() + count, 0, kPadding);
    if (!in.bad()) return count;
    problem = ": cannot read";
  }
  return std::nullopt;
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

// ":LINE:COLUMN" of byte `offset` of `text`.
std::string position(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, offset);
  const std::size_t lineStart = before.rfind('\n') + 1;  // 0 on the first line
  return ":" + std::to_string(1 + std::count(before.begin(), before.end(), '\n')) + ":" +
         std::to_string(before.size() - lineStart + 1);
}

// The syntax error at `offset` of `file`, placed in the file as it is
// again: the in-place parse has overwritten the text read.
std::string syntaxError(const std::string& file, std::size_t offset, const char* problem) {
  std::unique_ptr<char[]> text;
  std::string unused;
  const std::optional<std::size_t> size = readText(file, text, unused);
  const std::string place = size ? position({text.get(), *size}, offset) : "";
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
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  return std::find(std::begin(kSourceExtensions), std::end(kSourceExtensions), extension) !=
         std::end(kSourceExtensions);
}

std::string_view stemOf(std::string_view name) { return name.substr(0, name.rfind('.')); }

bool hasSeparator(std::string_view path) {
#if defined(_WIN32)
  return path.find_first_of("/\\") != std::string_view::npos;
#else
  return path.find('/') != std::string_view::npos;
#endif
}

}  // namespace

struct CompileDatabase::Json {
  std::unique_ptr<char[]> text;  // the document's strings point into it
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
  std::string problem;
  const std::optional<std::size_t> size = readText(file, json->text, problem);
  if (size) {
    // The in-place parse takes a NUL byte for the end of the text.
    char* text = json->text.get();
    const void* nul = std::memchr(text, '\0', *size);
    if (nul != nullptr) {
      problem = syntaxError(file, static_cast<std::size_t>(static_cast<const char*>(nul) - text),
                            "a NUL byte");
    } else if (json->document.ParseInsitu<rapidjson::kParseIterativeFlag>(text).HasParseError()) {
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
  if (isAbsolutePath(words.front()) || !hasSeparator(words.front())) return words.front();
  return absolutePath(entries_[index].directory, words.front());
}
