#include "compdb/make_target.h"

#include <string_view>

#include "util/make_quote.h"

namespace {

// The value of option `name` at arguments[*i], written apart or attached,
// moving *i past it; false when arguments[*i] is not that option.
bool optionValue(const std::vector<std::string>& arguments, std::size_t* i, std::string_view name,
                 std::string* value) {
  const std::string_view word = arguments[*i];
  if (word.substr(0, name.size()) != name) return false;
  if (word.size() > name.size()) {
    *value = std::string(word.substr(name.size()));
    return true;
  }
  if (*i + 1 >= arguments.size()) return false;
  *value = arguments[++*i];
  return true;
}

}  // namespace

std::string makeTargetOf(const std::vector<std::string>& arguments) {
  std::string targets;
  std::string output;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::string value;
    if (optionValue(arguments, &i, "-MT", &value)) {
      targets += (targets.empty() ? "" : " ") + value;
    } else if (optionValue(arguments, &i, "-MQ", &value)) {
      targets += (targets.empty() ? "" : " ") + makeQuoted(value);
    } else if (optionValue(arguments, &i, "-o", &value)) {
      output = value;
    }
  }
  return targets.empty() ? makeQuoted(output) : targets;
}
