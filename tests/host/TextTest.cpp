// Narrowing engine text and widening configured text.
#include <gtest/gtest.h>

#include "orvanel/host/Text.h"

namespace {

TEST(TextTest, AsciiRoundTripsExactly) {
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii.push_back(static_cast<char>(c));
  EXPECT_EQ(NarrowText(FString(WidenSystemText(ascii))), ascii);
  EXPECT_EQ(WidenSystemText(ascii), WidenAsciiText(ascii));
}

TEST(TextTest, CharactersWithoutANarrowFormBecomeQuestionMarks) {
  EXPECT_EQ(NarrowText(FString(TEXT("Caf\u00e9 \U0001F996"))), "Caf? ??");
  EXPECT_EQ(NarrowText(FString()), "");
  EXPECT_EQ(WidenAsciiText("caf\xe9"), TEXT("caf?"));
}

}  // namespace
