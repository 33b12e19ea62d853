// The -T json output: the graph and every file's figures as one JSON
// document, for scripts and for a later --compare.
#ifndef CLUDEMAP_METRICS_JSON_WRITER_H_
#define CLUDEMAP_METRICS_JSON_WRITER_H_

#include <iosfwd>
#include <string>
#include <string_view>

#include "metrics/file_metrics.h"
#include "scan/file_graph.h"

// Writes
//   {"tool":"cludemap","version":V,"roots":[index...],
//    "files":[{"path","found","system","expanded","bytes","lines","includes":[index...],
//              "closure":{"files","bytes","lines"},"includedBy","reachedFrom",
//              "depth":N|null,"via":index|null}...],
//    "unresolved":[{"name","includer","line"}...],"cycles":[[index...]...],"warnings":N}
// with one file, unresolved name or cycle a line. A path or name that is not
// valid UTF-8 is written with U+FFFD for each ill-formed sequence, and its
// exact bytes follow in "pathBytes" or "nameBytes" as lower-case hex.
void writeJson(std::ostream& out, const FileGraph& graph, const GraphMetrics& metrics,
               std::string_view version);

// Appends `bytes` as a JSON string, quotes included, with ill-formed UTF-8
// replaced as writeJson does.
void appendJsonString(std::string& out, std::string_view bytes);

#endif  // CLUDEMAP_METRICS_JSON_WRITER_H_
