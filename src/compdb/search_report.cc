#include "compdb/search_report.h"

#include "compdb/compiler_query.h"

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
  std::string text;
  (text += kQuoteListHeading) += '\n';
  for (const std::string& directory : quoteOnly) text += " " + directory + "\n";
  (text += kAngleListHeading) += '\n';
  for (const std::string& directory : angle) text += " " + directory + "\n";
  (text += kSearchListEnd) += '\n';
  return text;
}
