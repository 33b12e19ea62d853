// What a translation unit does before its first line, besides the
// compiler's predefined macros.
#ifndef CLUDEMAP_PREPROCESS_START_STEP_H_
#define CLUDEMAP_PREPROCESS_START_STEP_H_

#include <string>

// Something done before the first line of the source: a -D, -U, -imacros
// or -include of the command, or a file the compiler includes of itself.
struct StartStep {
  enum class Kind {
    kDefine,      // -D: `value` is "NAME", "NAME=TEXT" or "NAME(PARAMETERS)=TEXT"
    kUndefine,    // -U: `value` is "NAME"
    kMacrosOf,    // -imacros: the file as written; its macros are kept, its output dropped
    kInclude,     // -include: the file as written, read as if included by the source
    kPreInclude,  // a file the compiler includes of itself: its path, as the compiler wrote it
  };
  Kind kind;
  std::string value;

  bool operator==(const StartStep& other) const {
    return kind == other.kind && value == other.value;
  }
};

#endif  // CLUDEMAP_PREPROCESS_START_STEP_H_
