// The text of the verbose option (-v): which compile database entry was
// taken, and the include search lists, in the layout compilers use for
// theirs.
#ifndef CLUDEMAP_COMPDB_SEARCH_REPORT_H_
#define CLUDEMAP_COMPDB_SEARCH_REPORT_H_

#include <string>
#include <vector>

#include "compdb/compile_database.h"

// "compile database FILE, entry N (same file|same stem|nearest directory):"
// then "  file FILE" and "  directory DIRECTORY", each line ended by '\n'.
std::string describeEntryChoice(const CompileDatabase& database, const EntryChoice& choice);

// `#include "..." search starts here:`, a line " DIR" for each of
// `quoteOnly` (searched for quoted names only), `#include <...> search
// starts here:`, a line for each of `angle` (searched for both kinds), and
// `End of search list.`, each line ended by '\n'.
std::string describeSearchLists(const std::vector<std::string>& quoteOnly,
                                const std::vector<std::string>& angle);

#endif  // CLUDEMAP_COMPDB_SEARCH_REPORT_H_
