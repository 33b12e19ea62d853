// The file graph of a finished scan.
#ifndef CLUDEMAP_METRICS_SCANNED_FILES_H_
#define CLUDEMAP_METRICS_SCANNED_FILES_H_

#include "metrics/file_graph.h"
#include "scan/include_tree.h"

// The files the scans of `run` met, which must have kept their facts
// (RunState::fileFacts): one per canonical path of a found header, one per
// path tried for a missing one, in the order the tree first shows one of
// their paths; a header that only hidden directives lead to is none. A
// file's directives are those followed where it was first expanded, each
// leading where it led there; hidden ones are left out, and angle-bracket
// names found nowhere are unresolved. A file is a system header when some
// node found it through a system entry. The roots are the start headers,
// each once, in the order they were scanned.
FileGraph scannedFiles(const RunState& run);

#endif  // CLUDEMAP_METRICS_SCANNED_FILES_H_
