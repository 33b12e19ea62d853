// A compiler's own include directories, as it reports them when asked to be
// verbose.
#ifndef CLUDEMAP_COMPDB_COMPILER_QUERY_H_
#define CLUDEMAP_COMPDB_COMPILER_QUERY_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compdb/source_language.h"
#include "util/error.h"

// The lines of a compiler's report that open its two lists and close the
// last, as compilers write them (the tool's -v report takes them too).
inline constexpr std::string_view kQuoteListHeading = "#include \"...\" search starts here:";
inline constexpr std::string_view kAngleListHeading = "#include <...> search starts here:";
inline constexpr std::string_view kSearchListEnd = "End of search list.";

// Each list in the compiler's order, each directory as the compiler wrote it.
struct CompilerDirectories {
  std::vector<std::string> quote;  // under `#include "..." search starts here:`
  std::vector<std::string> angle;  // under `#include <...> search starts here:`
};

// The directories of a report that holds a heading and then
// `End of search list.`; nothing otherwise. Framework directories (lines
// ending in " (framework directory)") are left out.
std::optional<CompilerDirectories> parseSearchList(std::string_view report);

// Runs `compiler` (one program path or name, looked up in PATH) once as
// `COMPILER -E -x LANGUAGE -v -` (c or c++) on empty input, in the C locale
// so that the report is in English, and parses what it prints. Fails
// (kUnusableInput) with "cannot run the compiler COMPILER: reason" or "the
// compiler COMPILER reported no include search list (exit status N)".
Expected<CompilerDirectories> queryCompiler(const std::string& compiler, SourceLanguage language);

#endif  // CLUDEMAP_COMPDB_COMPILER_QUERY_H_
