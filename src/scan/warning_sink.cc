#include "scan/warning_sink.h"

#include <ostream>
#include <string>

#include "util/text_format.h"

void WarningSink::warn(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string line;
  appendFormat(line, format, args);
  out_->write(line.data(), static_cast<std::streamsize>(line.size()));
  ++count_;
}
