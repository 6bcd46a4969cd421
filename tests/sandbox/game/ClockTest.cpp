// The world's clock as a world file sets it and `wait` and `show` print it.
#include <gtest/gtest.h>

#include "sandbox/game/World.h"

namespace {

TEST(ClockTest, MomentsReadAndPrintInUtcAndWhatIsNoMomentIsRefused) {
  EXPECT_EQ(sim::ParseClock("1970-01-01T00:00:00Z"), 0);
  EXPECT_EQ(sim::ParseClock("2026-12-10T07:00:00Z"), 1796886000000);
  EXPECT_EQ(sim::ParseClock("2026-12-10T07:00"), 1796886000000);
  EXPECT_EQ(sim::ParseClock("2024-02-29T23:59:59Z"), 1709251199000);
  EXPECT_EQ(sim::ClockText(1796886000000 + 100000), "2026-12-10 07:01:40 UTC");
  EXPECT_EQ(sim::ClockText(1709251199999), "2024-02-29 23:59:59 UTC");
  for (const char* wrong : {"", "x", "2026-02-29T00:00:00Z", "2026-12-10T24:00:00Z", "2026-12-10T07:00:00+01",
                            "2026-13-01T00:00Z", "1969-12-31T23:59:59Z", "2026-12-10"})
    EXPECT_EQ(sim::ParseClock(wrong), std::nullopt) << wrong;
}

}  // namespace
