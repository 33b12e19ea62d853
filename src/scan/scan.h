// The header scan that builds the include tree and records the file graph.
#ifndef CLUDEMAP_SCAN_SCAN_H_
#define CLUDEMAP_SCAN_SCAN_H_

#include <string_view>

#include "scan/scan_config.h"
#include "scan/scan_result.h"
#include "scan/translation_unit.h"
#include "scan/warning_sink.h"

// The texts of the scan's warnings, each one line on the warning stream.
inline constexpr std::string_view kMissingFileWarning = "WARNING: Cannot find file %s\n";
inline constexpr std::string_view kMalformedLineWarning =
    "Warning: In file: %s, line %s is malformatted.\n";
inline constexpr std::string_view kUnresolvedAngleWarning = "WARNING: Cannot open file: <%s>\n";

// Scans every start file of `config` in turn into one tree state and
// returns what it found; warnings go to `warnings` as they are met.
//
// A node is registered under its label (same label, same id) and expanded
// only when its (parent id, id) pair has not been expanded before, which ends
// the recursion for cycles. Quoted names are resolved against the including
// file's directory and, when no readable file is there, against the start
// file's search list in order; angle-bracket names against the search list
// alone. Problems are written as one-line warnings, in depth-first line
// order, and the scan goes on. Depth is bounded only by memory.
//
// With config.preprocess, each start file is a translation unit, and the
// scan follows the includes the compiler follows, and only those:
// `answers`, when given, answers what only the compiler knows.
ScanResult scanIncludes(const ScanConfig& config, WarningSink& warnings,
                        CompilerAnswers* answers = nullptr);

#endif  // CLUDEMAP_SCAN_SCAN_H_
