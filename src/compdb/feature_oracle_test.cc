#include "compdb/feature_oracle.h"

#include <gtest/gtest.h>

#include "compdb/program_run.h"
#include "testing/test_support.h"

namespace fs = std::filesystem;

namespace {

using Kind = FeatureKind;

std::vector<FeatureQuestion> questions() {
  std::vector<FeatureQuestion> list;
  const std::pair<Kind, Strings> groups[] = {
      {Kind::kBuiltin,
       {"__builtin_expect", "__builtin_unreachable", "__builtin_bit_cast", "__builtin_launder",
        "__builtin_clz", "__builtin_LINE", "__builtin_no_such_thing", "__is_same", "(", "1"}},
      {Kind::kAttribute,
       {"unused", "noreturn", "always_inline", "gnu::unused", "__deprecated__", "fallthrough",
        "nodiscard", "no_such_attribute", "1+", "visibility"}},
      {Kind::kCppAttribute,
       {"nodiscard", "fallthrough", "deprecated", "maybe_unused", "likely", "no_unique_address",
        "gnu::always_inline", "clang::fallthrough", "carries_dependency", "no_such", "assume"}},
      {Kind::kCAttribute, {"deprecated", "nodiscard", "fallthrough"}},
      {Kind::kFeature, {"cxx_rtti", "cxx_exceptions", "address_sanitizer", "modules"}},
      {Kind::kExtension, {"cxx_rvalue_references", "c_static_assert"}},
      {Kind::kWarning, {"\"-Wall\"", "\"-Wno-such-warning\"", "foo", "-Wall", "1", "a b"}},
      {Kind::kDeclspecAttribute, {"dllexport", "noinline"}},
      {Kind::kDefined,
       {"__has_builtin", "__has_feature", "__has_cpp_attribute", "__no_such", "1", "", "a b"}},
  };
  for (const auto& [kind, arguments] : groups) {
    for (const std::string& argument : arguments) list.push_back({kind, argument});
  }
  return list;
}

// What the compiler makes of `#if` on the question by itself: that it is an
// error, or that the value is `value`.
bool compilerAgrees(const CompilerConfiguration& configuration, const FeatureQuestion& question,
                    const FeatureAnswer& answer, const fs::path& directory) {
  const std::string expression =
      std::string(featureKindName(question.kind)) + "(" + question.argument + ")";
  writeFiles(directory, {{"q.h", "#if (" + expression + ") != " + std::to_string(answer.value) +
                                     "\n#error differs\n#endif\n"}});
  Strings arguments = configuration.options;
  arguments.insert(arguments.end(), {"-x", languageOption(configuration.language), "-E",
                                     (directory / "q.h").string()});
  const Expected<ProgramOutput> run = runProgram(configuration.compiler, arguments, {});
  return run && (run->status == 0) == answer.accepted;
}

FeatureOracle oracleFor(const CompilerConfiguration& configuration) {
  const Expected<CompilerMacros> macros = queryCompilerMacros(configuration);
  EXPECT_TRUE(macros) << macros.error().message;
  return FeatureOracle(configuration, macros ? *macros : CompilerMacros());
}

}  // namespace

// A batch of questions costs one run, whatever the compiler rejects in it,
// and every answer is what the compiler makes of the question in #if.
TEST(FeatureOracle, AnswersABatchInOneRunAsTheCompilerDoes) {
  const fs::path directory = freshDirectory();
  const std::vector<FeatureQuestion> batch = questions();
  ASSERT_GE(batch.size(), 50U);
  const std::pair<const char*, const char*> compilers[] = {
      {"g++", "-std=c++17"}, {"clang++", "-std=c++20"}, {"gcc", "-std=c11"}, {"clang", "-O2"}};
  for (const auto& [compiler, option] : compilers) {
    SCOPED_TRACE(compiler);
    const CompilerConfiguration configuration =
        compilerConfiguration(compiler, {compiler, option}, "a.h", "/");
    FeatureOracle oracle = oracleFor(configuration);
    for (const FeatureQuestion& question : batch) oracle.ask(question);
    ASSERT_FALSE(oracle.resolvePending());
    EXPECT_EQ(oracle.runs(), 1);
    EXPECT_EQ(oracle.pendingCount(), 0U);
    for (const FeatureQuestion& question : batch) {
      const std::optional<FeatureAnswer> answer = oracle.cached(question);
      ASSERT_TRUE(answer) << question.argument;
      EXPECT_TRUE(compilerAgrees(configuration, question, *answer, directory))
          << featureKindName(question.kind) << "(" << question.argument << "): " << answer->accepted
          << " " << answer->value;
    }
    // Known questions cost nothing; a new one costs one more run.
    oracle.ask(batch.front());
    EXPECT_FALSE(oracle.resolvePending());
    EXPECT_TRUE(oracle.answer({Kind::kBuiltin, "__builtin_trap"}));
    EXPECT_EQ(oracle.runs(), 2);
  }
}

// An argument that would leave its line is rejected unasked; one that hides
// comment marks in a literal is asked.
TEST(FeatureOracle, KeepsEachQuestionOnItsLine) {
  FeatureOracle oracle(compilerConfiguration("g++", {}, "a.cc", "/"), CompilerMacros());
  const std::pair<FeatureQuestion, FeatureAnswer> rows[] = {
      {{Kind::kBuiltin, "x /* y"}, {false, 0}}, {{Kind::kBuiltin, "x\n#define y"}, {false, 0}},
      {{Kind::kBuiltin, "x // y"}, {false, 0}}, {{Kind::kDefined, "__has_builtin"}, {true, 1}},
      {{Kind::kAttribute, "'//'"}, {false, 0}},
  };
  for (const auto& [question, expected] : rows) oracle.ask(question);
  EXPECT_EQ(oracle.pendingCount(), 2U);
  EXPECT_FALSE(oracle.resolvePending());
  for (const auto& [question, expected] : rows) {
    EXPECT_EQ(oracle.cached(question), expected) << question.argument;
  }
}

// The compiler gets the options, the language and, when it is clang, no
// limit on errors; markers are read in the layouts of GCC and clang, and a
// run that stops early or cannot start leaves the questions waiting.
TEST(FeatureOracle, RunsTheCompilerOnABatchFile) {
  const fs::path fake = freshDirectory() / "fake-cc";
  writeFiles(fake.parent_path(), {{"fake-cc", R"sh(#!/bin/sh
case "$1 $2 $3 $4 $5 $7" in
"-std=c++17 -x c++ -E -ferror-limit=0 -o")
  printf '%s\n' "$6:9:2: warning: #warning cludemap-bit 0 3 [-Wcpp]" \
    "    9 | #warning cludemap-bit 0 4" "$6:12: warning: cludemap-bit 0 1 [-W#warnings]" \
    "/elsewhere.h:4:5: error: unrelated" "$6:999:2: warning: #warning cludemap-end [-Wcpp]" >&2
  exit 1 ;;
*) echo "unexpected: $*" ; exit 4 ;;
esac
)sh"}});
  fs::permissions(fake, fs::perms::owner_all);
  CompilerMacros clang;
  clang.predefined.push_back({"__clang__", "1", "#define __clang__ 1"});
  FeatureOracle oracle(compilerConfiguration(fake.string(), {"cc", "-std=c++17"}, "a.cc", "/"),
                       clang);
  oracle.ask({Kind::kBuiltin, "a"});
  oracle.ask({Kind::kBuiltin, "b"});
  ASSERT_FALSE(oracle.resolvePending());
  EXPECT_EQ(oracle.cached({Kind::kBuiltin, "a"}), (FeatureAnswer{true, 10}));
  EXPECT_EQ(oracle.cached({Kind::kBuiltin, "b"}), (FeatureAnswer{true, 0}));

  FeatureOracle plain(compilerConfiguration(fake.string(), {"cc", "-O2"}, "a.c", "/"),
                      CompilerMacros());
  const Expected<FeatureAnswer> failed = plain.answer({Kind::kBuiltin, "a"});
  ASSERT_FALSE(failed);
  const std::string expected =
      "the compiler " + fake.string() +
      " stopped before answering (exit status 4): unexpected: -O2 -x c -E ";
  EXPECT_EQ(failed.error().message.substr(0, expected.size()), expected);
  EXPECT_EQ(plain.pendingCount(), 1U);

  FeatureOracle missing(compilerConfiguration("no-such-cc", {}, "a.c", "/"), CompilerMacros());
  missing.ask({Kind::kBuiltin, "a"});
  const std::optional<Error> error = missing.resolvePending();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->message, "cannot run the compiler no-such-cc: no such file or directory");
  EXPECT_EQ(missing.pendingCount(), 1U);
  EXPECT_EQ(missing.runs(), 1);
}
