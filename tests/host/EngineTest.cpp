// Engine text and arrays in the game's memory: layout, growth and ownership.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include "orvanel/host/Engine.h"
#include "orvanel/host/Text.h"
#include "sandbox/game/Memory.h"

namespace {

TEST(EngineTest, TextCountsItsTerminatorAndCopiesAreExact) {
  const std::size_t blocks = sim::LiveBlocks();
  {
    const FString empty;
    EXPECT_EQ(empty.Data, nullptr);
    EXPECT_EQ(empty.ArrayNum, 0);
    EXPECT_EQ(FString(WideStringView()).Data, nullptr);
    FString text(WidenAsciiText("Rex"));
    EXPECT_EQ(text.ArrayNum, 4);
    EXPECT_EQ(text.ArrayMax, 4);
    EXPECT_EQ(text.Data[3], 0);
    FString copy = text;
    EXPECT_NE(copy.Data, text.Data);
    EXPECT_EQ(copy.View(), TEXT("Rex"));
    copy = FString(WidenAsciiText("Raptor"));
    EXPECT_EQ(copy.ArrayNum, 7);
    EXPECT_EQ(sim::LiveBlocks(), blocks + 2);
  }
  EXPECT_EQ(sim::LiveBlocks(), blocks);
}

TEST(EngineTest, ArraysGrowByTheEngineRule) {
  EXPECT_EQ(GrownCapacity(1, 0), 4);
  EXPECT_EQ(GrownCapacity(4, 0), 4);
  EXPECT_EQ(GrownCapacity(5, 0), 5 + 1 + 16);
  // An array the game made smaller than four grows by the rule too.
  EXPECT_EQ(GrownCapacity(3, 2), 3 + 1 + 16);
  EXPECT_EQ(GrownCapacity(5, 4), 5 + 1 + 16);
  EXPECT_EQ(GrownCapacity(100, 90), 100 + 37 + 16);
  EXPECT_EQ(GrownCapacity(2000000000, 1999999999), INT32_MAX);
  const std::size_t blocks = sim::LiveBlocks();
  {
    TArray<FString> words;
    std::vector<int32_t> capacities;
    for (int i = 0; i < 30; ++i) {
      words.Emplace(WidenAsciiText(fmt::format("w{}", i)));
      if (capacities.empty() || capacities.back() != words.ArrayMax) capacities.push_back(words.ArrayMax);
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{4, 22, 47}));
    EXPECT_EQ(words[29].View(), TEXT("w29"));
    TArray<FString> copy = words;
    EXPECT_EQ(copy.ArrayMax, 30);
    words.Empty();
    EXPECT_EQ(words.Data, nullptr);
    EXPECT_EQ(copy[0].View(), TEXT("w0"));
  }
  EXPECT_EQ(sim::LiveBlocks(), blocks);
}

}  // namespace

namespace {

// A moved-from text or array holds nothing, owns no block and takes elements anew.
TEST(EngineTest, WhatIsMovedFromIsEmptyAndUsableAgain) {
  const std::size_t blocks = sim::LiveBlocks();
  {
    FString text(WideStringView(TEXT("abc")));
    FString taken(std::move(text));
    EXPECT_EQ(taken.ArrayNum, 4);
    EXPECT_EQ(text.Data, nullptr);
    EXPECT_EQ(text.ArrayNum, 0);
    EXPECT_EQ(text.ArrayMax, 0);

    TArray<int32_t> numbers;
    numbers.Emplace(1);
    numbers.Emplace(2);
    TArray<int32_t> moved(std::move(numbers));
    EXPECT_EQ(moved.ArrayNum, 2);
    EXPECT_EQ(numbers.Data, nullptr);
    EXPECT_EQ(numbers.ArrayNum, 0);
    EXPECT_EQ(numbers.ArrayMax, 0);
    numbers.Emplace(3);
    ASSERT_EQ(numbers.ArrayNum, 1);
    EXPECT_EQ(numbers.Data[0], 3);
  }
  EXPECT_EQ(sim::LiveBlocks(), blocks);
}

}  // namespace
