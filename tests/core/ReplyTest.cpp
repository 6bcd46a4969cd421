// Chat replies as the game receives them.
#include "support/PluginTest.h"

#include <fmt/format.h>

#include "orvanel/core/Reply.h"

using nlohmann::json;

namespace {

class ReplyTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    AddWorld(ThreePlayers());
  }
  AShooterPlayerController* Alice() { return reinterpret_cast<AShooterPlayerController*>(Player("Alice")); }
};

TEST_F(ReplyTest, DoubledBracesBecomeSingleAndHighBytesBecomeQuestionMarks) {
  SendReply(Alice(), SystemSender(), "{{caf\xe9}}");
  SendReply(Alice(), SystemSender(), WideStringView(TEXT("{{wide \u00e9}}")));
  SendReply(Alice(), SystemSender(), "");
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{"{caf?}", "{wide \u00e9}", ""}));
  for (const json& chat : EventsOf("chat")) EXPECT_EQ(chat["sender"], "[system]");
}

TEST_F(ReplyTest, ALoneBraceIsAFormatErrorAndNothingIsSent) {
  EXPECT_THROW(SendReply(Alice(), SystemSender(), "half { open"), fmt::format_error);
  EXPECT_THROW(SendReply(Alice(), SystemSender(), WideStringView(TEXT("}"))), fmt::format_error);
  EXPECT_TRUE(EventsOf("chat").empty());
}

}  // namespace
