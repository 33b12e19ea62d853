// File graphs for the metrics tests, written a file a row:
//   "PATH BYTES LINES > TARGET..."  a found file and its directives, or
//   "PATH missing"                  a missing one.
// A TARGET is a file index, optionally "=NAME" as the directive wrote it
// (else the target's path) and "@LINE" (else its position from 1).
#ifndef CLUDEMAP_TESTING_GRAPH_ROWS_H_
#define CLUDEMAP_TESTING_GRAPH_ROWS_H_

#include <sstream>
#include <string>
#include <vector>

#include "scan/file_graph.h"

inline FileGraph graphOf(const std::vector<std::string>& rows, std::vector<std::size_t> roots) {
  FileGraph graph;
  graph.roots = std::move(roots);
  std::vector<std::string> targets(rows.size());
  for (const std::string& row : rows) {
    std::istringstream in(row);
    FileRecord& file = graph.files.emplace_back();
    std::string word;
    in >> file.path >> word;
    file.found = word != "missing";
    if (file.found) file.bytes = std::stoull(word);
    if (file.found) in >> file.lines >> word;
    file.expanded = word == ">";
    std::getline(in, targets[graph.files.size() - 1]);
  }
  for (std::size_t index = 0; index < rows.size(); ++index) {
    std::istringstream in(targets[index]);
    for (std::string word; in >> word;) {
      FileDirective directive;
      directive.file = std::stoul(word);
      const std::size_t at = word.find('@');
      directive.line = at == std::string::npos ? graph.files[index].directives.size() + 1
                                               : std::stoul(word.substr(at + 1));
      const std::size_t equals = word.find('=');
      directive.name = equals == std::string::npos ? graph.files[directive.file].path
                                                   : word.substr(equals + 1, at - equals - 1);
      graph.files[index].directives.push_back(directive);
    }
  }
  return graph;
}

#endif  // CLUDEMAP_TESTING_GRAPH_ROWS_H_
