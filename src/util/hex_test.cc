#include "util/hex.h"

#include <gtest/gtest.h>

// Every byte goes there and back; either letter case reads, and an odd
// count or a non-digit reads as nothing.
TEST(Hex, ReadsBackWhatItWrites) {
  std::string every;
  for (int byte = 0; byte < 256; ++byte) every += static_cast<char>(byte);
  const std::string hex = hexBytes(every);
  EXPECT_EQ(hex.substr(std::size_t{2} * 0x9e, 6), "9e9fa0");
  EXPECT_EQ(bytesFromHex(hex), every);
  EXPECT_EQ(bytesFromHex("0aFf"), std::string("\x0a\xff"));
  for (const char* bad : {"a", "0g", "/0", ":0", "@0", "G0", "`0"}) {
    EXPECT_FALSE(bytesFromHex(bad)) << bad;
  }
}
