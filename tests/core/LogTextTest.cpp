// Text from players and files as it goes into a log line: every control
// character visible, a backslash doubled so that no escape can be typed, and
// every other character kept.
#include "orvanel/core/LogText.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(LogTextTest, ControlCharactersAndBackslashesAreEscapedAndNothingElseChanges) {
  EXPECT_EQ(EscapeLogText("Mal\n12/10/26 10:38 [Dremmet][info] AUDIT Alice"),
            "Mal\\n12/10/26 10:38 [Dremmet][info] AUDIT Alice");
  EXPECT_EQ(EscapeLogText("a\r\tb"), "a\\r\\tb");
  EXPECT_EQ(EscapeLogText("\x1b[31mred\x1b[0m"), "\\x1b[31mred\\x1b[0m");
  EXPECT_EQ(EscapeLogText(std::string("nul\0end", 7)), "nul\\x00end");
  EXPECT_EQ(EscapeLogText("\x01\x1f\x7f"), "\\x01\\x1f\\x7f");
  // A typed "\n" reads "\\n", never as a line break escaped.
  EXPECT_EQ(EscapeLogText("C:\\new \\x1b"), "C:\\\\new \\\\x1b");
  // U+009B, the terminal's one-character sequence start, and U+0085, a line break to some readers.
  EXPECT_EQ(EscapeLogText("\xc2\x9b"
                          "2J \xc2\x85"),
            "\\u009b2J \\u0085");
  // Letters of every script, U+00A0 and bytes that are no character stay as they are.
  EXPECT_EQ(EscapeLogText("Zo\xc3\xab \xf0\x9d\x84\x9e \xc2\xa0 \xc2"), "Zo\xc3\xab \xf0\x9d\x84\x9e \xc2\xa0 \xc2");
  EXPECT_EQ(EscapeLogText(""), "");
}

}  // namespace
