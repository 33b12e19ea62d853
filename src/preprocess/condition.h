// #if and #elif: the expression expanded and evaluated as GCC does it.
#ifndef CLUDEMAP_PREPROCESS_CONDITION_H_
#define CLUDEMAP_PREPROCESS_CONDITION_H_

#include <string>

#include "preprocess/macro_expander.h"
#include "preprocess/token.h"

struct ConditionResult {
  // Whether the group is taken, as GCC decides: false after a syntax error;
  // after other errors (division by zero, a floating constant) GCC goes on
  // with a value, and so does this. (Clang takes no group with an error.)
  bool value = false;
  std::string error;  // the first error, or ""
  // A __has_* operator had no answer yet (Questions::compilerValue): ask
  // the compiler, then evaluate again, which may ask more (in
  // "__has_builtin(x) && __has_builtin(y)" only the answer for x tells
  // whether y is asked).
  bool unanswered = false;
};

// Expands and evaluates `expression`, the tokens after #if or #elif:
// intmax_t and uintmax_t arithmetic with C's conversions and operators,
// `defined`, __has_include and the other __has_* operators, C++'s `true`,
// `false` and operator names, other identifiers as 0. Operands that && ||
// and ?: skip ask no questions and divide by zero freely.
ConditionResult evaluateCondition(const Tokens& expression, Environment& env);

#endif  // CLUDEMAP_PREPROCESS_CONDITION_H_
