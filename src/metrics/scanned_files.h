// The file graph of a finished scan.
#ifndef CLUDEMAP_METRICS_SCANNED_FILES_H_
#define CLUDEMAP_METRICS_SCANNED_FILES_H_

#include "metrics/file_graph.h"
#include "scan/include_tree.h"

// The files the scans of `run` met, which must have kept their facts
// (RunState::fileFacts): one per canonical path of a found header, one per
// path tried for a missing one. A file's directives are those followed
// where it was expanded, each leading where it led there; hidden ones are
// left out, and angle-bracket names found nowhere are unresolved. The
// roots are the start headers, each once, in the order they were scanned.
FileGraph scannedFiles(const RunState& run);

#endif  // CLUDEMAP_METRICS_SCANNED_FILES_H_
