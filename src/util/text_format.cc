#include "util/text_format.h"

void appendFormat(std::string& out, std::string_view format,
                  std::initializer_list<std::string_view> args) {
  const std::string_view* arg = args.begin();
  std::size_t start = 0;
  for (std::size_t pos = format.find('%'); pos != std::string_view::npos;
       pos = format.find('%', pos + 1)) {
    if (pos + 1 >= format.size() || (format[pos + 1] != 's' && format[pos + 1] != 'd')) continue;
    out.append(format, start, pos - start);
    if (arg != args.end()) out.append(*arg++);
    start = pos + 2;
    pos = start - 1;
  }
  out.append(format.substr(start));
}
