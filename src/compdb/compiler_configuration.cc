#include "compdb/compiler_configuration.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "compdb/lexical_path.h"

namespace {

enum class Use { kKey, kDefine, kUndefine, kMacrosOf, kInclude, kSkip };

// An option that takes a value: attached ("-DX") where `attached` allows it,
// else the next word ("-D X").
struct ValueOption {
  std::string_view spelling;
  Use use;
  bool attached;
};

// The options that take a value, so that the value is never read as an
// option; where one spelling starts another, the longer comes first.
constexpr ValueOption kValueOptions[] = {
    {"-include-pch", Use::kSkip, false},
    {"-include", Use::kInclude, true},
    {"-imacros", Use::kMacrosOf, true},
    {"-D", Use::kDefine, true},
    {"-U", Use::kUndefine, true},
    {"-target", Use::kKey, false},
    {"-arch", Use::kKey, false},
    {"-isysroot", Use::kKey, true},
    {"--sysroot", Use::kKey, false},
    {"-mllvm", Use::kSkip, false},
    {"-x", Use::kSkip, true},
    {"-o", Use::kSkip, true},
    {"-MF", Use::kSkip, true},
    {"-MT", Use::kSkip, true},
    {"-MQ", Use::kSkip, true},
    {"-I", Use::kSkip, true},
    {"-L", Use::kSkip, true},
    {"-iquote", Use::kSkip, true},
    {"-isystem", Use::kSkip, true},
    {"-idirafter", Use::kSkip, true},
    {"-iprefix", Use::kSkip, true},
    {"-iwithprefixbefore", Use::kSkip, true},
    {"-iwithprefix", Use::kSkip, true},
    {"-Xclang", Use::kSkip, false},
    {"-Xpreprocessor", Use::kSkip, false},
    {"-Xlinker", Use::kSkip, false},
    {"-Xassembler", Use::kSkip, false},
    {"--param", Use::kSkip, false},
    {"-aux-info", Use::kSkip, false},
    {"-dumpbase", Use::kSkip, false},
    {"-dumpdir", Use::kSkip, false},
};

// Options of one word that change what the compiler predefines or answers.
constexpr std::string_view kKeyWords[] = {"-pthread",     "-pthreads",    "-ansi",
                                          "-undef",       "-nostdinc",    "-nostdinc++",
                                          "-nostdlibinc", "-nobuiltininc"};
constexpr std::string_view kKeyPrefixes[] = {
    "-std=", "--std=", "-m", "-O", "--target=", "-stdlib=", "--sysroot=", "--gcc-toolchain="};

// -f options (after "-f" and any "no-") that leave the predefined macros
// alone and would name files the query cannot find, write dumps, change the
// layout of diagnostics or stop the preprocessor early.
constexpr std::string_view kIgnoredFlags[] = {
    "diagnostics",
    "color-diagnostics",
    "message-length",
    "show-column",
    "show-source-location",
    "caret-diagnostics",
    "ansi-escape-codes",
    "max-errors",
    "error-limit",
    "profile",
    "debug-prefix-map",
    "file-prefix-map",
    "macro-prefix-map",
    "plugin",
    "dump",
    "syntax-only",
    "preprocessed",
    "directives-only",
    "working-directory",
    "pch",
    "module-map-file",
    "modules-cache-path",
    "prebuilt-module-path",
    "sanitize-blacklist",
    "sanitize-ignorelist",
    "crash-diagnostics",
    "save-optimization-record",
    "record-",
    "build-session",
    "time-trace",
    "stack-usage",
    "callgraph-info",
    "opt-info",
    "debug-compilation-dir",
    "coverage-compilation-dir",
};

bool startsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool isKeyFlag(std::string_view word) {
  std::string_view flag = word.substr(2);
  if (startsWith(flag, "no-")) flag.remove_prefix(3);
  return std::none_of(std::begin(kIgnoredFlags), std::end(kIgnoredFlags),
                      [flag](std::string_view ignored) { return startsWith(flag, ignored); });
}

bool isKeyWord(std::string_view word) {
  if (startsWith(word, "-f")) return isKeyFlag(word);
  return std::find(std::begin(kKeyWords), std::end(kKeyWords), word) != std::end(kKeyWords) ||
         std::any_of(std::begin(kKeyPrefixes), std::end(kKeyPrefixes),
                     [word](std::string_view prefix) { return startsWith(word, prefix); });
}

const ValueOption* valueOption(std::string_view word) {
  for (const ValueOption& option : kValueOptions) {
    if (word == option.spelling || (option.attached && startsWith(word, option.spelling))) {
      return &option;
    }
  }
  return nullptr;
}

// Reads the option at `arguments[i]` that takes a value, and its value,
// into `configuration`; moves `i` past the value when it is the next word.
void readValueOption(const ValueOption& option, const std::vector<std::string>& arguments,
                     std::size_t& i, CompilerConfiguration& configuration) {
  const std::string& word = arguments[i];
  const bool separate = word.size() == option.spelling.size();
  if (separate && i + 1 == arguments.size()) return;
  const std::string value = separate ? arguments[++i] : word.substr(option.spelling.size());
  using Kind = StartStep::Kind;
  switch (option.use) {
    case Use::kKey:
      configuration.options.push_back(word);
      if (separate) configuration.options.push_back(value);
      break;
    case Use::kDefine:
      configuration.commandLine.push_back({Kind::kDefine, value});
      break;
    case Use::kUndefine:
      configuration.commandLine.push_back({Kind::kUndefine, value});
      break;
    case Use::kMacrosOf:
      configuration.commandLine.push_back({Kind::kMacrosOf, value});
      break;
    case Use::kInclude:
      configuration.commandLine.push_back({Kind::kInclude, value});
      break;
    case Use::kSkip:
      break;
  }
}

void appendField(std::string& key, std::string_view field) {
  key += field;
  key += '\0';
}

}  // namespace

std::string macroDirective(const StartStep& step) {
  if (step.kind == StartStep::Kind::kUndefine) return "#undef " + step.value;
  if (step.kind != StartStep::Kind::kDefine) return "";
  const std::string_view text = std::string_view(step.value).substr(0, step.value.find('\n'));
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return "#define " + std::string(text) + " 1";
  return "#define " + std::string(text.substr(0, equals)) + " " +
         std::string(text.substr(equals + 1));
}

std::string CompilerConfiguration::questionKey() const {
  std::string key;
  appendField(key, compiler);
  appendField(key, languageOption(language));
  for (const std::string& option : options) appendField(key, option);
  return key;
}

std::string CompilerConfiguration::key() const {
  std::string text = questionKey();
  for (const StartStep& step : commandLine) {
    text += static_cast<char>('0' + static_cast<int>(step.kind));
    appendField(text, step.value);
    const bool file =
        step.kind == StartStep::Kind::kInclude || step.kind == StartStep::Kind::kMacrosOf;
    if (file && !isAbsolutePath(step.value)) appendField(text, directory);
  }
  return text;
}

CompilerConfiguration compilerConfiguration(const std::string& compiler,
                                            const std::vector<std::string>& arguments,
                                            const std::string& file, const std::string& directory) {
  CompilerConfiguration configuration;
  configuration.compiler = compiler;
  configuration.language = sourceLanguageOf(arguments, file, compiler);
  configuration.directory = directory;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (const ValueOption* option = valueOption(arguments[i])) {
      readValueOption(*option, arguments, i, configuration);
    } else if (isKeyWord(arguments[i])) {
      configuration.options.push_back(arguments[i]);
    }
  }
  return configuration;
}
