// How far apart two names are, as the hints for mistyped names measure it.
#include <gtest/gtest.h>

#include <string>

#include "orvanel/core/NameDistance.h"

namespace {

TEST(NameDistanceTest, CountsEditsWithoutRegardToCase) {
  EXPECT_EQ(NameDistance("builder", "builder"), 0u);
  EXPECT_EQ(NameDistance("Builder", "bUILDER"), 0u);
  EXPECT_EQ(NameDistance("bulder", "builder"), 1u);   // one left out
  EXPECT_EQ(NameDistance("buidler", "builder"), 2u);  // two swapped
  EXPECT_EQ(NameDistance("", "kit"), 3u);
  EXPECT_EQ(NameDistance("kit", ""), 3u);
  EXPECT_EQ(NameDistance("raptors", "kit"), 6u);
}

TEST(NameDistanceTest, ReadsTheFirst64BytesOnly) {
  const std::string long_name(64, 'a');
  EXPECT_EQ(NameDistance(long_name + "bbbb", long_name), 0u);
  EXPECT_EQ(NameDistance(std::string(1000, 'x'), "x"), 63u);
}

}  // namespace
