#include "compdb/compiler_run.h"

#include <algorithm>

Expected<ProgramOutput> runCompiler(const std::string& compiler,
                                    const std::vector<std::string>& arguments) {
  Expected<ProgramOutput> run = runProgram(compiler, arguments, {"LC_ALL=C"});
  if (!run) {
    return Error{ErrorCategory::kUnusableInput,
                 "cannot run the compiler " + compiler + ": " + run.error().message};
  }
  return run;
}

Error compilerFailure(const std::string& compiler, std::string_view what,
                      const ProgramOutput& run) {
  Error failure{ErrorCategory::kUnusableInput, "the compiler " + compiler + " " +
                                                   std::string(what) + " (exit status " +
                                                   std::to_string(run.status) + ")"};
  for (std::string_view text = run.output; !text.empty();) {
    if (const std::string_view line = nextLine(text); !line.empty()) {
      failure.message += ": " + std::string(line);
      break;
    }
  }
  return failure;
}

std::string_view nextLine(std::string_view& text) {
  const std::size_t end = std::min(text.find('\n'), text.size());
  std::string_view line = text.substr(0, end);
  text.remove_prefix(std::min(end + 1, text.size()));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}
