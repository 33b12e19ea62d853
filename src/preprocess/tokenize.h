// Splitting one directive line into preprocessing tokens.
#ifndef CLUDEMAP_PREPROCESS_TOKENIZE_H_
#define CLUDEMAP_PREPROCESS_TOKENIZE_H_

#include <string_view>

#include "preprocess/dialect.h"
#include "preprocess/token.h"

// The tokens of `text`, one logical line with its splices joined and its
// comments already replaced by a space. Each token's text views into
// `text`. With `headerName`, a '<' that starts the line (after blanks)
// begins one kHeaderName token that runs through the next '>' on the line,
// as after #include; without one, '<' is a punctuator. A '"' that starts
// the line then begins a kString in which '\' escapes nothing.
//
// Punctuators keep their spelling: a digraph ("%:", "<:") is its own text,
// as stringizing needs; digraphMeaning() gives the punctuator it stands
// for. A character or string literal that the line ends before its closing
// quote is one kOther token through the end of the line, as the compiler
// makes it (with a warning, which is the caller's to give); so is a raw
// string, which cannot span lines in a directive.
Tokens tokenize(std::string_view text, bool headerName = false, const Dialect& dialect = Dialect());

// The punctuator a digraph stands for ("#" for "%:", "##" for "%:%:", "["
// for "<:", ...); any other spelling unchanged.
std::string_view digraphMeaning(std::string_view punctuator);

#endif  // CLUDEMAP_PREPROCESS_TOKENIZE_H_
