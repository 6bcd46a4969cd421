// Cutting console lines into words.
#include <gtest/gtest.h>

#include "orvanel/core/Arguments.h"
#include "orvanel/host/Text.h"

namespace {

std::vector<std::u16string> Split(const std::string& line) {
  TArray<FString> pieces;
  pieces.Emplace(WidenAsciiText("left over"));
  const FString text(WidenAsciiText(line));
  const int32_t count = SplitArguments(text, pieces);
  std::vector<std::u16string> words;
  for (const FString& piece : pieces) {
    EXPECT_EQ(piece.ArrayNum, static_cast<int32_t>(piece.View().size()) + 1);
    words.emplace_back(piece.View());
  }
  EXPECT_EQ(count, static_cast<int32_t>(words.size()));
  return words;
}

TEST(ArgumentsTest, OnlySingleSpacesSeparateAndEmptyPiecesAreDropped) {
  EXPECT_EQ(Split("kit  builder "), (std::vector<std::u16string>{u"kit", u"builder"}));
  EXPECT_EQ(Split("  kit"), std::vector<std::u16string>{u"kit"});
  EXPECT_EQ(Split("kit"), std::vector<std::u16string>{u"kit"});
  EXPECT_EQ(Split("kit\tbuilder"), std::vector<std::u16string>{u"kit\tbuilder"});
  EXPECT_EQ(Split("a b c d e f g h i j"), (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h",
                                                                       u"i", u"j"}));
  EXPECT_TRUE(Split("   ").empty());
  EXPECT_TRUE(Split("").empty());
}

}  // namespace
