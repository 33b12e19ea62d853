#include "util/make_quote.h"

std::string makeQuoted(std::string_view name) {
  std::string quoted;
  quoted.reserve(name.size());
  for (const char c : name) {
    if (c == ' ' || c == '\t' || c == '#') quoted += '\\';
    if (c == '$') quoted += '$';
    quoted += c;
  }
  return quoted;
}
