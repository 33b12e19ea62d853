#include "preprocess/dialect.h"

namespace {

// The year a -std= value's version stands for, from the spellings the
// compiler accepts: 89 for 1989, 111 for 2011 (so that years compare in
// order); 0 when unknown.
int versionYear(std::string_view version) {
  struct Spelling {
    std::string_view text;
    int year;
  };
  constexpr Spelling kSpellings[] = {
      {"89", 89},  {"90", 89},  {"9899:1990", 89},  {"9899:199409", 94}, {"98", 98},
      {"03", 98},  {"99", 99},  {"9x", 99},         {"9899:1999", 99},   {"0x", 111},
      {"11", 111}, {"1x", 111}, {"9899:2011", 111}, {"1y", 114},         {"14", 114},
      {"1z", 117}, {"17", 117}, {"18", 117},        {"9899:2017", 117},  {"9899:2018", 117},
      {"2a", 120}, {"20", 120}, {"2x", 123},        {"2b", 123},         {"23", 123},
      {"2c", 126}, {"26", 126},
  };
  for (const Spelling& s : kSpellings) {
    if (version == s.text) return s.year;
  }
  return 0;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

Dialect dialectFor(bool cplusplus, std::string_view standard) {
  bool gnu = true;
  std::string_view version;
  if (startsWith(standard, "gnu")) {
    version = standard.substr(3);
  } else if (startsWith(standard, "c")) {
    gnu = false;
    version = standard.substr(1);
  } else if (startsWith(standard, "iso")) {
    gnu = false;
    version = standard.substr(3);
  }
  const bool plusplus = startsWith(version, "++");
  if (plusplus) version.remove_prefix(2);
  int year = versionYear(version);
  if (year == 0 || plusplus != cplusplus) {
    gnu = true;
    year = 117;
  }

  Dialect dialect;
  dialect.cplusplus = cplusplus;
  if (cplusplus) {
    dialect.rawStrings = year >= 111;
    dialect.literalSuffixes = year >= 111;
    dialect.digitSeparators = year >= 114;
    dialect.spaceship = year >= 120;
    dialect.trigraphs = !gnu && year < 117;
  } else {
    dialect.rawStrings = gnu && year >= 99;
    dialect.digitSeparators = year >= 123;
    dialect.literalSuffixes = false;
    dialect.spaceship = false;
    dialect.digraphs = gnu || year != 89;
    dialect.trigraphs = !gnu;
  }
  return dialect;
}
