// libFuzzer target: any bytes as the content of one header, through the
// tool's directive recognition and label escaping and the model's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "testing/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string difference =
      lineDifference(std::string_view(reinterpret_cast<const char*>(data), size));
  if (difference.empty()) return 0;
  std::fprintf(stderr, "tool and model differ: %s\n", difference.c_str());
  std::abort();
}
