// The macros a compiler defines before it reads a source, and the files it
// reads before it of itself (glibc's stdc-predef.h under GCC), as the
// compiler reports them for one configuration.
#ifndef CLUDEMAP_COMPDB_COMPILER_MACROS_H_
#define CLUDEMAP_COMPDB_COMPILER_MACROS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compdb/compiler_configuration.h"
#include "util/error.h"

struct PredefinedMacro {
  std::string name;
  // Everything after the name and, for a function-like macro, its
  // parameter list and the blank after it.
  std::string replacement;
  // The directive as the compiler wrote it, "#define NAME(PARAMETERS) TEXT",
  // for a reader of directives to take in as from a file.
  std::string line;
};

struct CompilerMacros {
  // The macros defined before any file is read, in the compiler's order;
  // without those of the command line (its -D and -U are never passed) and
  // without those the pre-includes define.
  std::vector<PredefinedMacro> predefined;
  // The files the compiler includes of itself, in its order: each path as
  // it wrote it. Empty where it includes none (-nostdinc, -ffreestanding,
  // clang before version 15, a libc without stdc-predef.h).
  std::vector<std::string> preIncludes;
  // Where the compiler reads those files among the -imacros and -include
  // files of a command: kMacrosOf, kPreInclude and kInclude, each once, in
  // the order it reads them (GCC: -imacros files, its own, -include files).
  std::vector<StartStep::Kind> fileOrder;
};

// The macros and pre-includes of `dump`, the output of `-dD -E -imacros
// MACROS_PROBE -include INCLUDE_PROBE -` on empty input: `#define` and
// `#undef` lines and line markers (`# N "FILE" FLAGS`, FILE escaped as in a
// C string). Definitions outside any file count as predefined; a file
// entered from outside any file is a probe (by file name) or a pre-include.
// Nothing when the dump has no line markers.
std::optional<CompilerMacros> parseMacroDump(std::string_view dump, std::string_view macrosProbe,
                                             std::string_view includeProbe);

// Runs `COMPILER OPTIONS -x LANGUAGE -dD -E -imacros P1 -include P2 -o OUT -`
// once, in the C locale, with empty input and two empty probe files of its
// own in the temporary directory, and reads OUT. Fails (kUnusableInput)
// with "cannot run the compiler COMPILER: reason", "the compiler COMPILER
// listed no predefined macros (exit status N): its first line of output",
// or a temporary file's error.
Expected<CompilerMacros> queryCompilerMacros(const CompilerConfiguration& configuration);

// What to do between the predefined macros and the source's first line, in
// the compiler's order: the command's -D and -U in their order, then the
// -imacros files, the pre-includes and the -include files, each kind in the
// order of `macros.fileOrder`, each file in command order.
std::vector<StartStep> startSteps(const CompilerConfiguration& configuration,
                                  const CompilerMacros& macros);

// For -v: "macros: N predefined by COMPILER OPTIONS -x LANGUAGE", then ",
// then:" and a line for each of startSteps(), "  -DX=1", "  -UX",
// "  -imacros FILE", "  pre-include PATH", "  -include FILE"; each line
// ended by '\n'.
std::string describeMacroSources(const CompilerConfiguration& configuration,
                                 const CompilerMacros& macros);

#endif  // CLUDEMAP_COMPDB_COMPILER_MACROS_H_
