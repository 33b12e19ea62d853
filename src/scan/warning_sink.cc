#include "scan/warning_sink.h"

#include <ostream>
#include <string>

#include "util/text_format.h"

void WarningSink::warn(std::string_view format, std::initializer_list<std::string_view> args) {
  ++count_;
  if (mode_ == Mode::kNone && !keep_) return;
  std::string line;
  appendFormat(line, format, args);
  if (keep_) ++kept_[line];
  const bool write =
      mode_ == Mode::kAll || (mode_ == Mode::kOnce && written_.tryEmplace(line).second);
  if (write) out_->write(line.data(), static_cast<std::streamsize>(line.size()));
}
