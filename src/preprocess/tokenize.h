// Splitting one directive line into preprocessing tokens.
#ifndef CLUDEMAP_PREPROCESS_TOKENIZE_H_
#define CLUDEMAP_PREPROCESS_TOKENIZE_H_

#include <string_view>

#include "preprocess/token.h"

// The tokens of `text`, one logical line with its splices joined and its
// comments already replaced by a space. Each token's text views into
// `text`. With `headerName`, a '<' that starts the line (after blanks)
// begins one kHeaderName token that runs through the next '>' on the line,
// as after #include; without one, '<' is a punctuator.
Tokens tokenize(std::string_view text, bool headerName = false);

#endif  // CLUDEMAP_PREPROCESS_TOKENIZE_H_
