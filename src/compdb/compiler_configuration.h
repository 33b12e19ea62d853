// What a compile command tells the compiler that changes the macros it
// predefines and its answers to __has_* questions: the configuration the
// compiler is asked about, once, however many entries share it.
#ifndef CLUDEMAP_COMPDB_COMPILER_CONFIGURATION_H_
#define CLUDEMAP_COMPDB_COMPILER_CONFIGURATION_H_

#include <string>
#include <vector>

#include "preprocess/start_step.h"

#include "compdb/source_language.h"

// The directive a -D or -U stands for, as the compiler reads it: "-DX" is
// "#define X 1", "-DX=Y" "#define X Y", "-DF(a)=a" "#define F(a) a" (the
// text ends at a line break), "-UX" "#undef X". "" for other steps.
std::string macroDirective(const StartStep& step);

struct CompilerConfiguration {
  std::string compiler;  // the program to ask: a path, or a name for the PATH search
  SourceLanguage language = SourceLanguage::kCxx;
  // The options given to every question, in the order of the command:
  // -std=, -m..., -f... (but those that name files or only shape
  // diagnostics, dumps or output), -O..., -pthread, -ansi, -undef,
  // -nostdinc, -nostdinc++, -nostdlibinc, -stdlib=, --target=, -target T,
  // -arch A, --sysroot, -isysroot, --gcc-toolchain=. Never -D, -U,
  // -include, -imacros or -x: the questions are asked without them.
  std::vector<std::string> options;
  // The -D, -U, -imacros and -include of the command, in its order. Their
  // effect is never part of the compiler's answers: the caller applies them
  // after the predefined macros, in the order startSteps()
  // (compiler_macros.h) gives.
  std::vector<StartStep> commandLine;
  // Where the command runs: the first directory searched for the files of
  // -include and -imacros, before the search list of #include "...".
  std::string directory;

  // Equal for configurations the compiler gives the same answers: the same
  // compiler, language and options. Entries that differ only in
  // `commandLine` share their questions.
  std::string questionKey() const;
  // Equal for configurations that start every source alike: the question
  // key, `commandLine`, and `directory` where a relative file of -include or
  // -imacros depends on it.
  std::string key() const;
};

// The configuration of `file` compiled by `arguments` (a compile command as
// words, the compiler first; gcc-style options) in `directory`, asking
// `compiler`, which need not be the command's own (--query-compiler=CXX).
// Options that take a value as the next word are read with it, so that the
// value is never taken for an option. The language is sourceLanguageOf()'s.
CompilerConfiguration compilerConfiguration(const std::string& compiler,
                                            const std::vector<std::string>& arguments,
                                            const std::string& file, const std::string& directory);

#endif  // CLUDEMAP_COMPDB_COMPILER_CONFIGURATION_H_
