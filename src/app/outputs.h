// What a run writes to its output: one row per format.
#ifndef CLUDEMAP_APP_OUTPUTS_H_
#define CLUDEMAP_APP_OUTPUTS_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "metrics/compare.h"
#include "scan/include_tree.h"
#include "util/error.h"

// A finished run, as the writers see it.
struct FinishedRun {
  const CommandLine& line;
  RunState& run;
  const std::vector<IncludeNode>& roots;
  const Baseline* baseline;  // with --compare
};

// One output format: its -T name, whether it needs the files' facts from
// the scan, its writer, and whether it lists the distinct warnings. The
// writer fails with kGrowth for a comparison whose roots grew, the output
// written whole, or with another error where it could not make the output,
// having written nothing.
struct OutputFormat {
  std::string_view name;
  bool fileFacts;
  std::optional<Error> (*write)(std::ostream& out, const FinishedRun& finished);
  bool listsWarnings = false;
};

// The format -T, --why or --compare asks for, or null for an unknown -T.
const OutputFormat* outputFormatOf(const CommandLine& line);

// Whether `format` is drawn through Graphviz's library.
bool isPicture(const OutputFormat& format);

// "dot, svg, ..." for messages.
std::string outputFormatNames();

#endif  // CLUDEMAP_APP_OUTPUTS_H_
