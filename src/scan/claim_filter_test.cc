#include "scan/claim_filter.h"

#include <gtest/gtest.h>

#include <string>

#include "util/string_map.h"

// A claim may be refused only by a collision, which must stay rare for as
// many names as a large library has, hashed as the scan hashes them; a name
// once claimed is never claimed again.
TEST(ClaimFilter, ClaimsEachNameOnceAndRefusesFewFirstClaims) {
  ClaimFilter filter;
  int refused = 0;
  for (int i = 0; i < 15000; ++i) {
    const std::uint64_t hash = StringMap<char>::hashOf("boost/library_" + std::to_string(i % 97) +
                                                       "/header_" + std::to_string(i) + ".hpp");
    if (!filter.claim(hash)) ++refused;
    ASSERT_TRUE(filter.claimed(hash));
    ASSERT_FALSE(filter.claim(hash));
  }
  // About 54 collisions are expected among 15,000 hashes in 2^21 bits.
  EXPECT_LT(refused, 150);
}
