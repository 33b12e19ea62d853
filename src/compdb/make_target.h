// The target a compile command names for its dependency rule.
#ifndef CLUDEMAP_COMPDB_MAKE_TARGET_H_
#define CLUDEMAP_COMPDB_MAKE_TARGET_H_

#include <string>
#include <vector>

// The target of the rule the compiler's -M would write for the compile
// command `arguments` (as words, the compiler first), as make reads it: its
// -MT targets as given and its -MQ targets quoted for make ("$" as "$$",
// blanks and '#' escaped), joined by spaces; else its -o file, quoted; else
// "" (the caller names the default).
std::string makeTargetOf(const std::vector<std::string>& arguments);

#endif  // CLUDEMAP_COMPDB_MAKE_TARGET_H_
