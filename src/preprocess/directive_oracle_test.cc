// The directive lexer against the compiler itself: in files that hide
// #include lines in comments, literals, raw strings and splices, the lexer
// finds the includes that g++ enters, in the same order.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compdb/program_run.h"
#include "preprocess/directive_lexer.h"
#include "preprocess/tokenize.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string baseName(std::string_view path) {
  return std::string(path.substr(path.find_last_of('/') + 1));
}

// The headers the lexer's #include directives name, by base name: their
// first header name or string (that a macro passes on, in a computed one).
std::string lexedIncludes(std::string_view text, const Dialect& dialect) {
  const LexedFile file = lexFile(text, dialect);
  std::string names;
  for (const Directive& d : file.directives()) {
    if (d.kind != DirectiveKind::kInclude) continue;
    for (const Token& token : tokenize(file.text(d), true, dialect)) {
      if (token.kind != TokenKind::kHeaderName && token.kind != TokenKind::kString) continue;
      names += baseName(token.text.substr(1, token.text.size() - 2)) + " ";
      break;
    }
  }
  return names;
}

// The headers g++ enters, by base name, from the lines of -H that start
// with ". "; nothing when g++ cannot be run.
std::optional<std::string> compilerIncludes(const fs::path& file, std::string_view language,
                                            std::string_view standard) {
  const Expected<ProgramOutput> run = runProgram(
      "g++",
      {"-x", std::string(language), "-std=" + std::string(standard), "-w", "-E", "-H", "-I",
       file.parent_path().string(), file.string(), "-o", (file.parent_path() / "out.i").string()},
      {});
  if (!run) return std::nullopt;
  std::string names;
  std::size_t at = 0;
  const std::string& out = run->output;
  while (at < out.size()) {
    const std::size_t end = std::min(out.find('\n', at), out.size());
    const std::string_view line = std::string_view(out).substr(at, end - at);
    if (line.substr(0, 8) == "Multiple") break;  // the headers without guards, once more
    if (line.substr(0, 2) == ". ") names += baseName(line.substr(2)) + " ";
    at = end + 1;
  }
  return names;
}

TEST(DirectiveOracle, FindsTheIncludesTheCompilerEnters) {
  struct Row {
    std::string_view language, standard;
    std::string text;
  };
  const std::string rawStrings =
      "auto r = R\"(\n#include \"h1.h\"\n)\";\n"
      "auto q = R\"x(a)\" )x\";\n#include \"h2.h\"\n"
      "auto t = u8R\"--(\n)\" )--\"\n#include \"h3.h\"\n"
      "auto u = LR\"(/*)\";\n#include \"h4.h\"\n"
      "auto v = R\"x(a)x\\\n\"\n#include \"h5.h\"\n)x\";\n"
      "auto w = xR\"(\n#include \"h6.h\"\n"
      "auto z = R\"a b(\n#include \"h7.h\"\n\" #include \"h8.h\"\n#include \"h9.h\"\n";
  const std::string separators =
      "int a = 1'000; /* c\n#include \"h1.h\"\n*/\n#include \"h2.h\"\n"
      "int b = 0x1'f'a'/* c\n#include \"h3.h\"\n*/\n";
  const std::string trigraphs =
      "// a?\?/\n#include \"h1.h\"\n?\?=include \"h2.h\"\n"
      "s = \"?\?/\" /*\";\n#include \"h3.h\"\n*/\n#include \"h4.h\"\n";
  const Row rows[] = {
      // Comments, and the start of a line a comment keeps.
      {"c++", "gnu++17",
       "/* #include \"h1.h\" */ #include \"h2.h\"\n"
       "// #include \"h3.h\" \\\n#include \"h4.h\"\n"
       "/* a\n#include \"h5.h\"\n*/ #include \"h6.h\"\n"
       "x /* a\n*/ #include \"h7.h\"\n"
       "#include \"h8.h\" /* c\n#include \"h9.h\" */\n"},
      // Splices, with blanks before the line end and inside comment marks.
      {"c++", "gnu++17",
       "#inc\\\nlude \"h1.h\"\n"
       "x \\ \t\n#include \"h2.h\"\n"
       "\\\n#include \"h3.h\"\n"
       "#include \"h4.h\" \\\n#include \"h5.h\"\n"
       "/\\\n* c\n#include \"h6.h\"\n*\\\n/ #include \"h7.h\"\n"
       "\"ab\\\n#include \"h8.h\"\n"
       "#include \"h9.h\"\n"},
      // String and character literals, escapes, unterminated ones.
      {"c++", "gnu++17",
       "char a = '\"';\n#include \"h1.h\"\n"
       "s = \"/*\";\n#include \"h2.h\"\n"
       "x = 'a /* c\n#include \"h3.h\"\n*/\n"
       "s = \"x\\\" /*\";\n#include \"h4.h\"\n"
       "s = \"x\\\\\" /* c\n#include \"h5.h\"\n*/\n"
       "c = '\\'' /* c\n#include \"h6.h\"\n*/ #include \"h7.h\"\n"
       "#include \"h8.h\"\n"},
      // Raw strings where the language has them, and where it has not.
      {"c++", "gnu++17", rawStrings},
      {"c", "gnu17", rawStrings},
      {"c", "c11", rawStrings},
      // Digit separators where the language has them, and where it has not.
      {"c++", "gnu++17", separators},
      {"c++", "c++11", separators},
      // Trigraphs, in the strict modes before C++17 only.
      {"c++", "c++11", trigraphs},
      {"c++", "gnu++11", trigraphs},
      // On an #include line quotes escape nothing and header names may
      // stand, unless a macro's name starts its operand.
      {"c++", "gnu++17",
       "#include \"h1.h\" '\\'/* c\n#include \"h2.h\"\n*/ #include \"h3.h\"\n"
       "#include <h4.h> <a//b> \"/*\"\n#include \"h5.h\"\n"
       "#define E(x) x\n#include E(\"h6.h\") \"\\\" /*\"\n#include \"h7.h\"\n"},
      // Directive forms and line ends.
      {"c++", "gnu++17",
       "\xEF\xBB\xBF#include \"h1.h\"\r\n"
       "%:include \"h2.h\"\r"
       "\f # /* c */ include \"h3.h\"\r\n"
       "#include /* a\n*/ \"h4.h\"\n"
       "#define X /* a\n#include \"h5.h\" */\n"
       "#define R R\"(\n#include \"h6.h\"\n"
       "#include <sub//h7.h> // c\n"
       "x \\\r#include \"h8.h\"\r"
       "?\?=include \"h9.h\"\n#include \"h9.h\"\n"},
  };
  const fs::path directory = freshDirectory();
  Files headers = {{"sub/h7.h", ""}};
  for (char n = '1'; n <= '9'; ++n) headers.push_back({std::string("h") + n + ".h", ""});
  writeFiles(directory, headers);
  for (const Row& row : rows) {
    const fs::path file = directory / "main";
    writeFiles(directory, {{"main", row.text}});
    const std::optional<std::string> expected = compilerIncludes(file, row.language, row.standard);
    if (!expected) GTEST_SKIP() << "g++ cannot be run";
    const Dialect dialect = dialectFor(row.language == "c++", row.standard);
    EXPECT_EQ(lexedIncludes(row.text, dialect), *expected)
        << row.language << " " << row.standard << ":\n"
        << row.text;
  }
}

}  // namespace
