// Narrowing engine text and widening configured text.
#include <clocale>
#include <string>
#include <string_view>

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

// Text the plugin composes is UTF-8 on every platform: every character both
// ways; what is no character becomes '?', one for each byte or lone surrogate.
TEST(TextTest, ComposedTextKeepsEveryCharacterAndMarksWhatIsNone) {
  const WideString name = TEXT("Zo\u00eb \U0001F996");
  EXPECT_EQ(Utf8Text(FString(name)), "Zo\xc3\xab \xf0\x9f\xa6\x96");
  EXPECT_EQ(WidenUtf8Text("Zo\xc3\xab \xf0\x9f\xa6\x96"), name);
  // Two-byte forms whose lead carries all five of its bits (U+07FF, Cyrillic).
  EXPECT_EQ(WidenUtf8Text("\xdf\xbf \xd0\x94\xd0\xbe\xd0\xbc"), TEXT("\u07ff \u0414\u043e\u043c"));
  const TCHAR lone[] = {TCHAR('a'), TCHAR(0xD83E), TCHAR('b'), TCHAR(0xDD96), 0};
  EXPECT_EQ(Utf8Text(FString(lone)), "a?b?");
  // A cut sequence, an overlong form and an encoded surrogate.
  EXPECT_EQ(WidenUtf8Text("H\xc3 \xc0\xaf \xed\xa0\x80"), TEXT("H? ?? ???"));
}

#if !defined(_WIN32)
// Configured command texts are widened through the C library's multibyte
// conversion of the global locale: bytes it cannot decode become '?', an
// embedded NUL stays, and a character beyond 16 bits becomes a surrogate pair.
TEST(TextTest, CommandTextsWidenThroughTheLocalesMultibyteConversion) {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(WidenSystemText("caf\xc3\xa9"), TEXT("caf??"));
  EXPECT_EQ(WidenSystemText(std::string_view("a\0b", 3)), WideString(TEXT("a\0b"), 3));
  if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
    EXPECT_EQ(WidenSystemText("caf\xc3\xa9 \xf0\x9f\xa6\x96"), TEXT("caf\u00e9 \U0001F996"));
    EXPECT_EQ(WidenSystemText("\xc3"), TEXT("?"));
  }
  std::setlocale(LC_CTYPE, before.c_str());
}
#endif

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
