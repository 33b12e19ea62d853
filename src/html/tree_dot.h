// The include tree of a file graph as DOT text for the page's picture: each
// file once, joined to the includer on its shortest chain from a root.
#ifndef CLUDEMAP_HTML_TREE_DOT_H_
#define CLUDEMAP_HTML_TREE_DOT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "metrics/file_metrics.h"
#include "scan/file_graph.h"

// The most characters a box's label shows; longer labels keep their start
// and end around an ellipsis. The page shows the whole path elsewhere.
inline constexpr std::size_t kBoxLabelCharacters = 80;

// `label` (valid UTF-8) cut to kBoxLabelCharacters characters.
std::string boxLabel(std::string_view label);

// The DOT text of the tree: node f<i> with id "f<i>" for file i, labelled
// boxLabel(labels[i]), with the classes "missing" and "system" where they
// apply (missing files are also drawn dashed and red); edge via -> i with id
// "e<i>" for every file i with a `via`. Labels are quoted literally
// (DotQuoting::kLiteral).
std::string treeDot(const FileGraph& graph, const GraphMetrics& metrics,
                    const std::vector<std::string>& labels);

#endif  // CLUDEMAP_HTML_TREE_DOT_H_
