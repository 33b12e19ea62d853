#include "scan/string_map.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(StringMap, TryEmplaceAddsOnceAndFindsAfter) {
  StringMap<int> map;
  EXPECT_EQ(map.find("a.h"), nullptr);
  const auto [added, isNew] = map.tryEmplace("a.h");
  ASSERT_TRUE(isNew);
  EXPECT_EQ(added->first, "a.h");
  EXPECT_EQ(added->second, 0);
  added->second = 7;
  const auto [again, isNewAgain] = map.tryEmplace("a.h");
  EXPECT_FALSE(isNewAgain);
  EXPECT_EQ(again, added);
  EXPECT_EQ(map.find("a.h")->second, 7);
  EXPECT_EQ(map.size(), 1u);
}

TEST(StringMap, KeysAreExactBytes) {
  StringMap<int> map;
  map.tryEmplace("").first->second = 1;
  map.tryEmplace("a"s + '\0' + "b").first->second = 2;
  map.tryEmplace("a").first->second = 3;
  map.tryEmplace("A").first->second = 4;
  EXPECT_EQ(map.find("")->second, 1);
  EXPECT_EQ(map.find("a"s + '\0' + "b")->second, 2);
  EXPECT_EQ(map.find("a")->second, 3);
  EXPECT_EQ(map.find("A")->second, 4);
  EXPECT_EQ(map.find("a"s + '\0'), nullptr);
  EXPECT_EQ(map.size(), 4u);
}

TEST(StringMap, EntriesStayInPlaceWhileTheMapGrows) {
  StringMap<std::string> map;
  StringMap<std::string>::Entry* first = map.tryEmplace("first").first;
  first->second = "value";
  constexpr int kKeys = 20000;
  for (int i = 0; i < kKeys; ++i) map.tryEmplace("key" + std::to_string(i)).first->second = "v";
  EXPECT_EQ(map.find("first"), first);
  EXPECT_EQ(first->second, "value");
  for (int i = 0; i < kKeys; ++i) {
    const StringMap<std::string>::Entry* entry = map.find("key" + std::to_string(i));
    ASSERT_NE(entry, nullptr) << i;
    ASSERT_EQ(entry->first, "key" + std::to_string(i));
  }
  EXPECT_EQ(map.find("key" + std::to_string(kKeys)), nullptr);
  EXPECT_EQ(map.size(), static_cast<std::size_t>(kKeys + 1));
}

TEST(StringMap, MovingKeepsEntriesInPlace) {
  StringMap<int> map;
  for (int i = 0; i < 1000; ++i) map["key" + std::to_string(i)] = i;
  const StringMap<int>::Entry* entry = map.find("key7");
  StringMap<int> moved = std::move(map);
  EXPECT_EQ(moved.find("key7"), entry);
  EXPECT_EQ(moved["key999"], 999);
  EXPECT_EQ(moved["new"], 0);
  map = StringMap<int>();
  EXPECT_EQ(map.find("key7"), nullptr);
  map["again"] = 1;
  EXPECT_EQ(map.find("again")->second, 1);
}

}  // namespace
