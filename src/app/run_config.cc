#include "app/run_config.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "app/outputs.h"
#include "app/search_setup.h"
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

// The start files and their search lists.
std::optional<Error> setUpStarts(const CommandLine& line, const std::vector<std::string>& starts,
                                 ScanConfig& scan, std::ostream& verbose) {
  if (!line.all) {
    SearchList& list = scan.searchLists.front();
    if (std::optional<Error> error = setUpSearchList(line, starts.front(), list, verbose)) {
      return error;
    }
    for (const std::string& start : starts) scan.starts.push_back(StartFile{start, 0});
    return std::nullopt;
  }
  ProjectStarts project;
  if (std::optional<Error> error = setUpProjectStarts(line, project, verbose)) return error;
  scan.searchLists = std::move(project.lists);
  for (std::size_t i = 0; i < project.files.size(); ++i) {
    scan.starts.push_back(StartFile{std::move(project.files[i]), project.listOf[i]});
  }
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
  if (std::optional<Error> error = setUpStarts(line, starts, config.scan, verbose)) return *error;
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
  config.scan.preprocessings.front().options = line.macroOptions;
  config.currentDirectory = currentDirectory();
  return config;
}
