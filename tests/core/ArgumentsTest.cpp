// Cutting console lines into words.
#include <gtest/gtest.h>

#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"

namespace {

std::vector<WideString> Split(const std::string& line) {
  TArray<FString> pieces;
  pieces.Emplace(WidenAsciiText("left over"));
  const FString text(WidenAsciiText(line));
  const int32_t count = SplitArguments(text, pieces);
  std::vector<WideString> words;
  for (const FString& piece : pieces) {
    EXPECT_EQ(piece.ArrayNum, static_cast<int32_t>(piece.View().size()) + 1);
    words.emplace_back(piece.View());
  }
  EXPECT_EQ(count, static_cast<int32_t>(words.size()));
  return words;
}

TEST(ArgumentsTest, OnlySingleSpacesSeparateAndEmptyPiecesAreDropped) {
  EXPECT_EQ(Split("kit  builder "), (std::vector<WideString>{TEXT("kit"), TEXT("builder")}));
  EXPECT_EQ(Split("  kit"), std::vector<WideString>{TEXT("kit")});
  EXPECT_EQ(Split("kit"), std::vector<WideString>{TEXT("kit")});
  EXPECT_EQ(Split("kit\tbuilder"), std::vector<WideString>{TEXT("kit\tbuilder")});
  EXPECT_EQ(Split("a b c d e f g h i j"),
            (std::vector<WideString>{TEXT("a"), TEXT("b"), TEXT("c"), TEXT("d"), TEXT("e"), TEXT("f"), TEXT("g"),
                                     TEXT("h"), TEXT("i"), TEXT("j")}));
  EXPECT_TRUE(Split("   ").empty());
  EXPECT_TRUE(Split("").empty());
}

}  // namespace
