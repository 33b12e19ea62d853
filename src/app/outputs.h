// What a run writes to its output: one row per format, each writer a
// function of the scan's result and the run's configuration alone.
#ifndef CLUDEMAP_APP_OUTPUTS_H_
#define CLUDEMAP_APP_OUTPUTS_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/run_config.h"
#include "scan/scan_result.h"
#include "util/error.h"

// One output format: its -T name, whether it needs the file graph from the
// scan, its writer, and whether it lists the distinct warnings. The writer
// fails with kGrowth for a comparison whose roots grew, the output written
// whole, or with another error where it could not make the output, having
// written nothing.
struct OutputFormat {
  std::string_view name;
  bool fileFacts;
  std::optional<Error> (*write)(std::ostream& out, const ScanResult& result,
                                const RunConfig& config);
  bool listsWarnings = false;
};

// The format -T, --why or --compare asks for, or null for an unknown -T.
const OutputFormat* outputFormatOf(const CommandLine& line);

// Whether `format` is drawn through Graphviz's library.
bool isPicture(const OutputFormat& format);

// "dot, svg, ..." for messages.
std::string outputFormatNames();

#endif  // CLUDEMAP_APP_OUTPUTS_H_
