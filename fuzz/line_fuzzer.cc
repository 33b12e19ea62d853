// libFuzzer target: any bytes as the content of one header, through the
// directive recognition, the warning texts and the DOT label escaping.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/line_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string failure =
      checkLineHandling(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!failure.empty()) {
    std::fprintf(stderr, "line handling check failed: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
