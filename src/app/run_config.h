// What one run does, fixed once the command line has been read: what the
// scan is asked and what is written where.
#ifndef CLUDEMAP_APP_RUN_CONFIG_H_
#define CLUDEMAP_APP_RUN_CONFIG_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "compdb/compiler_configuration.h"
#include "compdb/compiler_macros.h"
#include "metrics/compare.h"
#include "scan/scan_config.h"
#include "scan/warning_sink.h"
#include "util/error.h"

struct OutputFormat;

// A compiler asked about a translation unit's configuration, and what it
// answered: the source of the run's answers to __has_* questions.
struct CompilerAsked {
  CompilerConfiguration configuration;
  CompilerMacros macros;
};

struct RunConfig {
  ScanConfig scan;
  // With --preprocess and --query-compiler, for each of scan.preprocessings:
  // the compiler asked.
  std::vector<std::optional<CompilerAsked>> compilers;
  WarningSink::Mode warnings = WarningSink::Mode::kAll;
  // "-" for standard output.
  std::string outputPath;
  const OutputFormat* format = nullptr;
  std::string engine = "dot";  // -K
  bool tree = false;           // --tree
  std::optional<std::string> why;
  // -T make: the target of each start file's rule ("" for the default) and
  // whether each header gets an empty rule of its own (--phony).
  std::vector<std::string> makeTargets;
  bool phony = false;
  std::optional<Baseline> baseline;  // --compare, read
  // Paths in reports are shown relative to it where that is shorter.
  std::string currentDirectory;
};

// The run `line` asks for, with the search lists read from the command
// line, the environment, the compile database (-p) and the compiler
// (--query-compiler), and the --compare baseline read; or why there is
// none. With -v, the chosen database entries and search lists are written
// to `verbose`. The driver and the tests make their runs through it.
Expected<RunConfig> makeRunConfig(const CommandLine& line, std::ostream& verbose);

#endif  // CLUDEMAP_APP_RUN_CONFIG_H_
