// What must hold for the directives found in any content of one header.
#ifndef CLUDEMAP_FUZZ_LINE_CHECKS_H_
#define CLUDEMAP_FUZZ_LINE_CHECKS_H_

#include <string>
#include <string_view>

// Runs the directive recognition on `bytes` as the whole content of one
// header, forms the warnings and DOT labels its directives lead to, and
// checks them: one directive for each line that shows "#include" before any
// "//" and before its first zero byte, in line order; each directive's text
// and label taken from its own line as its kind prescribes; no zero byte in
// them and a line end only as their last byte; warnings holding the texts
// unchanged; labels that read back unchanged from the DOT file. Returns an
// empty string when everything holds, else a description of the first
// failure.
std::string checkLineHandling(std::string_view bytes);

#endif  // CLUDEMAP_FUZZ_LINE_CHECKS_H_
