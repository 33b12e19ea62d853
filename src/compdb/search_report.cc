#include "compdb/search_report.h"

namespace {

const char* matchName(EntryMatch match) {
  switch (match) {
    case EntryMatch::kSameFile:
      return "same file";
    case EntryMatch::kSameStem:
      return "same stem";
    case EntryMatch::kNearestDirectory:
      break;
  }
  return "nearest directory";
}

}  // namespace

std::string describeEntryChoice(const CompileDatabase& database, const EntryChoice& choice) {
  const CompileEntry& entry = database.entries()[choice.index];
  return "compile database " + database.file() + ", entry " + std::to_string(choice.index + 1) +
         " (" + matchName(choice.match) + "):\n  file " + entry.file + "\n  directory " +
         entry.directory + "\n";
}

std::string describeSearchLists(const std::vector<std::string>& quoteOnly,
                                const std::vector<std::string>& angle) {
  std::string text = "#include \"...\" search starts here:\n";
  for (const std::string& directory : quoteOnly) text += " " + directory + "\n";
  text += "#include <...> search starts here:\n";
  for (const std::string& directory : angle) text += " " + directory + "\n";
  return text + "End of search list.\n";
}
