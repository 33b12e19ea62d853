// The libFuzzer target of the compile database: the bytes are a
// compile_commands.json, loaded from a scratch directory. A database that
// loads has each entry's command split into words, its compiler, include
// options and the entry chosen for a header beside it worked out; one that
// does not must say why in one line. The bytes themselves are split as a
// command by the POSIX and the Windows rules, and every list of words must
// come back whole through a Windows command line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "compdb/command_split.h"
#include "compdb/compile_database.h"
#include "compdb/include_options.h"
#include "compdb/search_report.h"
#include "testing/test_support.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

// `words` as the arguments of a Windows command line, read back.
void checkWindowsQuoting(const std::vector<std::string>& words) {
  std::string line = "cc";
  for (const std::string& word : words) line += ' ' + quoteWindowsArgument(word);
  const std::vector<std::string> back = splitWindowsCommand(line);
  if (std::vector<std::string>(back.begin() + 1, back.end()) != words) {
    fail("the words do not come back from the Windows command line", line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  checkWindowsQuoting(splitPosixCommand(input));
  checkWindowsQuoting(splitWindowsCommand(input));
  const std::filesystem::path directory = freshDirectory();
  writeFiles(directory, {{"compile_commands.json", input}});
  const Expected<CompileDatabase> database = CompileDatabase::load(directory.string());
  std::filesystem::remove_all(directory);
  if (!database) {
    const std::string& message = database.error().message;
    if (message.find('\n') != std::string::npos) fail("a message of more than one line", message);
    return 0;
  }
  for (std::size_t i = 0; i < database->entries().size(); ++i) {
    const std::vector<std::string> words = database->arguments(i);
    checkWindowsQuoting(words);
    includeOptions(words, database->entries()[i].directory);
    database->compiler(i);
    describeEntryChoice(*database, database->choose(database->entries()[i].file + ".h"));
  }
  return 0;
}
