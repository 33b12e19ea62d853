// Dependency rules for make, one per start file, as a compiler's -M writes
// them.
#ifndef CLUDEMAP_METRICS_MAKE_WRITER_H_
#define CLUDEMAP_METRICS_MAKE_WRITER_H_

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "scan/scan_result.h"

struct MakeOptions {
  // The target of each start file's rule, in the order of the scan's roots,
  // as make reads it; an empty or missing one is the start file's name
  // without its directory and its last suffix, plus ".o".
  std::vector<std::string> targets;
  // An empty rule for each header besides, so that make does not stop when
  // one is gone.
  bool phony = false;
  // Paths are written relative to it where that is shorter.
  std::string_view currentDirectory;
};

// The default target of a start file at `path`: "src/a.cc" gives "a.o".
std::string objectTarget(std::string_view path);

// Writes one rule per start file of `result`, which recorded its files:
// the target, then the start file and every header it reaches, each once,
// in the order first reached. In the compiler's view these are the files
// the compiler reads for that translation unit; in the textual scan, every
// file the text of the start file includes, directly or not. Missing files
// are left out.
void writeMakeRules(std::ostream& out, const ScanResult& result, const MakeOptions& options);

#endif  // CLUDEMAP_METRICS_MAKE_WRITER_H_
