// Narrowing engine text and widening configured text.
#include <gtest/gtest.h>

#include "orvanel/host/Text.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

TEST(TextTest, AsciiRoundTripsExactly) {
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii.push_back(static_cast<char>(c));
  EXPECT_EQ(NarrowText(FString(WidenSystemText(ascii))), ascii);
  EXPECT_EQ(WidenSystemText(ascii), WidenAsciiText(ascii));
}

TEST(TextTest, CharactersWithoutANarrowFormBecomeQuestionMarks) {
#if defined(_WIN32)
  // Windows' C locale gives each character below U+0100 the byte of its value.
  EXPECT_EQ(NarrowText(FString(TEXT("Caf\u00e9 \U0001F996"))), "Caf\xe9 ??");
#else
  EXPECT_EQ(NarrowText(FString(TEXT("Caf\u00e9 \U0001F996"))), "Caf? ??");
#endif
  EXPECT_EQ(NarrowText(FString()), "");
  EXPECT_EQ(WidenAsciiText("caf\xe9"), TEXT("caf?"));
}

#if defined(_WIN32)
// Configured command texts are widened through the ANSI code page, not read as
// UTF-8: each byte is the code page's character.
TEST(TextTest, CommandTextsWidenThroughTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the characters below are those of code page 1252";
  EXPECT_EQ(WidenSystemText("caf\xe9 \x80"), TEXT("caf\u00e9 \u20ac"));
  // "gíve" written in UTF-8 reaches the host as the code page reads its bytes.
  EXPECT_EQ(WidenSystemText("g\xc3\xadve"), TEXT("g\u00c3\u00adve"));
}
#endif

}  // namespace
