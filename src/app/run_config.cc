#include "app/run_config.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <utility>
#include <vector>

#include "app/outputs.h"
#include "app/search_setup.h"
#include "compdb/compiler_facts.h"
#include "compdb/make_target.h"
#include "graph/render.h"
#include "scan/header_file.h"
#include "util/source_names.h"

namespace {

// The start path as the scan gets it: an argument that begins with a double
// quote loses its first and its last character (a quote that a shell handed
// through); a lone quote becomes empty.
std::string rootPathFromArgument(std::string_view argument) {
  if (argument.empty() || argument.front() != '"') return std::string(argument);
  if (argument.size() < 2) return std::string();
  return std::string(argument.substr(1, argument.size() - 2));
}

// The start headers and the output: with -o, every positional argument is
// a start header; without, exactly a header and an output. With --all, the
// compile database names the start files, and the one positional argument
// is the output unless -o names it. Returns false when the command line
// does not give them.
bool startsAndOutput(const CommandLine& line, std::vector<std::string>& starts,
                     std::string& output) {
  std::vector<std::string> positionals = line.positionals;
  if (line.all) {
    if (!line.output && positionals.size() != 1) return false;
    output = line.output ? *line.output : positionals[0];
    return true;
  }
  if (line.output) {
    output = *line.output;
  } else {
    if (positionals.size() != 2) return false;
    output = positionals.back();
    positionals.pop_back();
  }
  for (const std::string& positional : positionals) {
    starts.push_back(rootPathFromArgument(positional));
  }
  return !starts.empty();
}

// Why writing `output` would destroy a source file, or "": it is one of the
// start headers, or, named without -o, an existing C or C++ file, which a
// forgotten -o before several headers would make the output.
std::string overwriteHazard(const CommandLine& line, const ScanConfig& scan,
                            const std::string& output) {
  if (output == "-") return "";
  std::error_code error;
  const std::filesystem::path path = fileSystemPath(output);
  for (const StartFile& start : scan.starts) {
    if (std::filesystem::equivalent(path, fileSystemPath(start.path), error)) {
      return output + " is a start header; not writing over it";
    }
  }
  const std::string extension = path.extension().string();
  const bool source = !extension.empty() && isHandWrittenExtension(extension.substr(1));
  if (!line.output && source && std::filesystem::is_regular_file(path, error)) {
    return "not writing over " + output +
           ", which looks like a source file (name the output with -o)";
  }
  return "";
}

// The start files, their search lists and their compile commands.
std::optional<Error> setUpStarts(const CommandLine& line, const std::vector<std::string>& starts,
                                 ScanConfig& scan, std::vector<StartCommand>& commands,
                                 std::ostream& verbose) {
  if (!line.all) {
    StartCommand command;
    if (std::optional<Error> error =
            setUpSearchList(line, starts.front(), scan.searchLists.front(), command, verbose)) {
      return error;
    }
    for (const std::string& start : starts) {
      scan.starts.push_back(StartFile{start, 0, 0});
      commands.push_back(command);
    }
    return std::nullopt;
  }
  ProjectStarts project;
  if (std::optional<Error> error = setUpProjectStarts(line, project, verbose)) return error;
  scan.searchLists = std::move(project.lists);
  for (std::size_t i = 0; i < project.files.size(); ++i) {
    scan.starts.push_back(StartFile{std::move(project.files[i]), project.listOf[i], 0});
  }
  commands = std::move(project.commands);
  return std::nullopt;
}

// The -include and -imacros files of `steps` as the compiler finds them
// first: in the directory the command runs in.
void placeStartFiles(std::vector<StartStep>& steps, const std::string& directory) {
  if (directory.empty()) return;
  for (StartStep& step : steps) {
    if (step.kind != StartStep::Kind::kInclude && step.kind != StartStep::Kind::kMacrosOf) continue;
    std::error_code error;
    const std::filesystem::path there = fileSystemPath(directory) / fileSystemPath(step.value);
    if (!fileSystemPath(step.value).is_absolute() &&
        std::filesystem::is_regular_file(there, error)) {
      step.value = there.string();
    }
  }
}

// The last -std= of a compiler configuration's options, or "".
std::string standardOf(const CompilerConfiguration& configuration) {
  std::string standard;
  for (const std::string& option : configuration.options) {
    if (option.rfind("-std=", 0) == 0) standard = option.substr(5);
  }
  return standard;
}

// How the compiler starts the translation unit of `file`, compiled by
// `command`: the command line's -D, -U, -include and -imacros before the
// entry's, and, with --query-compiler, the compiler's own macros and
// pre-include, asked through `facts` once per configuration.
Expected<Preprocessing> preprocessingOf(const CommandLine& line, const StartCommand& command,
                                        const std::string& file, CompilerFacts& facts,
                                        std::optional<CompilerAsked>& asked) {
  const std::string compiler = line.queryCompiler
                                   ? compilerToAsk(*line.queryCompiler, command.compiler)
                                   : (command.compiler.empty() ? "c++" : command.compiler);
  const std::vector<std::string> arguments =
      command.arguments.empty() ? std::vector<std::string>{compiler} : command.arguments;
  CompilerConfiguration configuration =
      compilerConfiguration(compiler, arguments, file, command.directory);
  configuration.commandLine.insert(configuration.commandLine.begin(), line.macroOptions.begin(),
                                   line.macroOptions.end());
  Preprocessing preprocessing;
  preprocessing.cplusplus = configuration.language == SourceLanguage::kCxx;
  preprocessing.standard = standardOf(configuration);
  CompilerMacros macros;
  // Without the compiler, its files in its usual order, none of its own.
  macros.fileOrder = {StartStep::Kind::kMacrosOf, StartStep::Kind::kPreInclude,
                      StartStep::Kind::kInclude};
  if (line.queryCompiler) {
    Expected<CompilerFacts::Facts*> known = facts.of(configuration);
    if (!known) return known.error();
    macros = (*known)->macros;
    for (const PredefinedMacro& macro : macros.predefined) {
      preprocessing.predefined += macro.line + '\n';
      preprocessing.clang = preprocessing.clang || macro.name == "__clang__";
    }
  }
  preprocessing.steps = startSteps(configuration, macros);
  placeStartFiles(preprocessing.steps, command.directory);
  if (line.queryCompiler) asked = CompilerAsked{std::move(configuration), std::move(macros)};
  return preprocessing;
}

// What tells translation units apart: how the compiler starts them.
std::string unitKey(const Preprocessing& preprocessing) {
  std::string key = preprocessing.predefined + '\0' + preprocessing.standard +
                    (preprocessing.cplusplus ? "\0c++" : "\0c");
  for (const StartStep& step : preprocessing.steps) {
    key += '\0' + std::to_string(static_cast<int>(step.kind)) + step.value;
  }
  return key;
}

// Each start file's translation unit, one per distinct configuration, and
// each start file's make target; with -v, each configuration's macro
// sources once.
std::optional<Error> setUpUnits(const CommandLine& line, const std::vector<StartCommand>& commands,
                                RunConfig& config, std::ostream& verbose) {
  CompilerFacts facts;
  std::map<std::string, std::size_t> known;
  config.scan.preprocessings.clear();
  for (std::size_t i = 0; i < config.scan.starts.size(); ++i) {
    StartFile& start = config.scan.starts[i];
    config.makeTargets.push_back(makeTargetOf(commands[i].arguments));
    if (!line.preprocess) continue;
    std::optional<CompilerAsked> asked;
    Expected<Preprocessing> preprocessing =
        preprocessingOf(line, commands[i], start.path, facts, asked);
    if (!preprocessing) return preprocessing.error();
    const auto [entry, added] =
        known.try_emplace(unitKey(*preprocessing), config.scan.preprocessings.size());
    start.preprocessing = entry->second;
    if (!added) continue;
    if (line.verbose) {
      verbose << (asked ? describeMacroSources(asked->configuration, asked->macros)
                        : "macros: none predefined (without --query-compiler)\n");
    }
    config.scan.preprocessings.push_back(std::move(*preprocessing));
    config.compilers.push_back(std::move(asked));
  }
  if (config.scan.preprocessings.empty()) config.scan.preprocessings.emplace_back();
  return std::nullopt;
}

std::string currentDirectory() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

}  // namespace

Expected<RunConfig> makeRunConfig(const CommandLine& line, std::ostream& verbose) {
  const auto usage = [](std::string message) {
    return Error{ErrorCategory::kUsage, std::move(message)};
  };
  RunConfig config;
  std::vector<std::string> starts;
  if (!startsAndOutput(line, starts, config.outputPath)) return usage("");
  if (!line.all) {
    for (const std::string& start : starts) config.scan.starts.push_back(StartFile{start, 0});
    if (std::string hazard = overwriteHazard(line, config.scan, config.outputPath);
        !hazard.empty()) {
      return usage(std::move(hazard));
    }
    config.scan.starts.clear();
  }
  config.format = outputFormatOf(line);
  if (config.format == nullptr) {
    return usage("-T takes " + outputFormatNames() + ", not '" + line.format.value_or("") + "'");
  }
  if (!knownEngine(line.engine)) {
    return usage("-K takes a Graphviz layout engine (dot, sfdp, neato, ...), not '" + line.engine +
                 "'");
  }
  if (isPicture(*config.format) && !renderingAvailable()) {
    return Error{ErrorCategory::kUnusableInput, std::string(kRenderingUnavailableMessage)};
  }
  if (line.compare) {
    Expected<Baseline> baseline = readBaseline(*line.compare);
    if (!baseline) return baseline.error();
    config.baseline = std::move(*baseline);
  }
  std::vector<StartCommand> commands;
  if (std::optional<Error> error = setUpStarts(line, starts, config.scan, commands, verbose)) {
    return *error;
  }
  if (line.all) {
    if (std::string hazard = overwriteHazard(line, config.scan, config.outputPath);
        !hazard.empty()) {
      return usage(std::move(hazard));
    }
  }
  config.scan.cuts = line.cuts;
  config.scan.fileFacts = config.format->fileFacts;
  config.warnings = line.warnings;
  config.engine = line.engine;
  config.tree = line.tree;
  config.why = line.why;
  config.phony = line.phony;
  config.scan.preprocess = line.preprocess;
  if (std::optional<Error> error = setUpUnits(line, commands, config, verbose)) return *error;
  config.currentDirectory = currentDirectory();
  return config;
}
