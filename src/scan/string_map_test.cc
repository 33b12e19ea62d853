#include "scan/string_map.h"

#include <gtest/gtest.h>

// As for PairKeySet: a full table would never end a lookup of an absent key.
TEST(StringMap, NeverFillsUp) {
  StringMap<int> map;
  for (int key = 0; key < 5000; ++key) {
    map[std::to_string(key)] = key;
    ASSERT_EQ(map.find("absent"), nullptr);
  }
}
