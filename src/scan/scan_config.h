// What a scan is asked to do, fixed before it starts.
#ifndef CLUDEMAP_SCAN_SCAN_CONFIG_H_
#define CLUDEMAP_SCAN_SCAN_CONFIG_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "preprocess/start_step.h"
#include "scan/cuts.h"
#include "scan/search_list.h"

// A start file and the search list its names are looked up in.
struct StartFile {
  std::string path;
  std::size_t searchList = 0;     // index into ScanConfig::searchLists
  std::size_t preprocessing = 0;  // index into ScanConfig::preprocessings
};

// How the compiler sees a translation unit before its first line: what
// only the compiler knows (its predefined macros, its implicit pre-include,
// its answers to __has_builtin and the like) and the compile command's
// macro options.
struct Preprocessing {
  bool cplusplus = true;
  std::string standard;  // the -std value; "" for the compiler's default
  bool clang = false;    // clang's built-ins rather than GCC's
  // The compiler's predefined macros as its -dM -E prints them, one
  // "#define" line each; empty where the compiler was not asked.
  std::string predefined;
  // What comes between the predefined macros and the start file's first
  // line, in the compiler's order: -D and -U, then the files it reads first.
  std::vector<StartStep> steps;
};

struct ScanConfig {
  // The distinct search lists of the start files. Start files of equal
  // lists share one cache of resolved names; every cache shares one store
  // of contents, so a file is read once per run whatever list leads to it.
  std::vector<SearchList> searchLists{1};
  std::vector<StartFile> starts;  // scanned in this order, into one tree state
  Cuts cuts;
  // Threads that read headers ahead of the scan; unset: eight per core the
  // machine has, at least two and at most sixteen. The result never depends
  // on it.
  std::optional<unsigned> readerThreads;
  // Whether the scan records the file graph, with what the file reports
  // need of every header: its lines, its directives' lines and its
  // canonical path.
  bool fileFacts = false;
  // Whether the scan follows only the includes the compiler follows,
  // evaluating conditionals, macros and computed includes, each start file
  // as its own translation unit.
  bool preprocess = false;
  std::vector<Preprocessing> preprocessings{1};
};

#endif  // CLUDEMAP_SCAN_SCAN_CONFIG_H_
