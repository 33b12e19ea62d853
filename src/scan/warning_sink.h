// Where a run's warnings go.
#ifndef CLUDEMAP_SCAN_WARNING_SINK_H_
#define CLUDEMAP_SCAN_WARNING_SINK_H_

#include <cstddef>
#include <initializer_list>
#include <iosfwd>
#include <string_view>

#include "util/string_map.h"

// Writes each warning as one line to a stream, in the order they come, and
// counts them, whether written or not. On request it also keeps each
// distinct line with how often it came, for outputs that list them.
class WarningSink {
 public:
  enum class Mode {
    kAll,   // every warning
    kOnce,  // each distinct line once, where it is first met
    kNone,  // none
  };

  explicit WarningSink(std::ostream& out) : out_(&out) {}
  void setMode(Mode mode) { mode_ = mode; }
  // Off by default: a run can warn millions of times.
  void setKeeping(bool keep) { keep_ = keep; }

  // Writes `format` with each %s replaced by the next argument.
  void warn(std::string_view format, std::initializer_list<std::string_view> args);
  std::size_t count() const { return count_; }
  // Each distinct line kept, line end included, in the order first met, and
  // how many times it came, whatever the mode.
  const StringMap<std::size_t>& kept() const { return kept_; }

 private:
  std::ostream* out_;
  Mode mode_ = Mode::kAll;
  std::size_t count_ = 0;
  bool keep_ = false;
  StringMap<char> written_;  // the lines written, in kOnce mode
  StringMap<std::size_t> kept_;
};

#endif  // CLUDEMAP_SCAN_WARNING_SINK_H_
