// Chat replies as the game receives them.
#include "support/PluginTest.h"

#include <functional>
#include <utility>

#include <fmt/format.h>

#include "orvanel/host/GameAccess.h"
#include "orvanel/run/Reply.h"

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

TEST_F(ReplyTest, TheRecordHoldsTheSenderAndMessageAndEveryOtherFieldEmpty) {
  SendReply(Alice(), SystemSender(), "hello");
  SendReply(Alice(), SystemSender(), "");
  const auto calls = CallsOf("AShooterPlayerController.ClientChatMessage");
  ASSERT_EQ(calls.size(), 2u);
  const json empty_fields = {{"senderId", 0}, {"senderTeamIndex", 0}, {"receivedTime", -1.0},
                             {"sendMode", 0}, {"radioFrequency", 0},  {"chatType", 0}};
  for (const json& call : calls) {
    EXPECT_EQ(call["args"][1], "[system]");
    json fields = call["args"][3];
    fields.erase("messageEmpty");
    EXPECT_EQ(fields, empty_fields);
  }
  EXPECT_EQ(calls[0]["args"][2], "hello");
}

// A text in game memory, as the record carries it.
RawText GameText(const TCHAR* text) {
  FString copy{WideStringView(text)};
  return RawText{std::exchange(copy.Data, nullptr), std::exchange(copy.ArrayNum, 0), std::exchange(copy.ArrayMax, 0)};
}

TEST_F(ReplyTest, TheGameRefusesARecordWithAnyFieldOutOfPlace) {
  const std::vector<std::pair<const char*, std::function<void(ChatMessageRecord&)>>> faults = {
      {"sender", [](ChatMessageRecord& record) { --record.SenderName.ArrayNum; }},
      {"steam name", [](ChatMessageRecord& record) { record.SenderSteamName = GameText(TEXT("x")); }},
      {"tribe name", [](ChatMessageRecord& record) { record.SenderTribeName = GameText(TEXT("x")); }},
      {"receiver", [](ChatMessageRecord& record) { record.Receiver = GameText(TEXT("x")); }},
      {"user id", [](ChatMessageRecord& record) { record.UserId = GameText(TEXT("x")); }},
      {"sender id", [](ChatMessageRecord& record) { record.SenderId = 1; }},
      {"team index", [](ChatMessageRecord& record) { record.SenderTeamIndex = -1; }},
      {"received time", [](ChatMessageRecord& record) { record.ReceivedTime = 0.0; }},
      {"send mode", [](ChatMessageRecord& record) { record.SendMode = 1; }},
      {"radio frequency", [](ChatMessageRecord& record) { record.RadioFrequency = 1; }},
      {"chat type", [](ChatMessageRecord& record) { record.ChatType = 1; }},
      {"sender icon", [](ChatMessageRecord& record) { record.SenderIcon = &record; }},
  };
  for (const auto& [what, fault] : faults) {
    ChatMessageRecord record{};
    record.SenderName = GameText(TEXT("[system]"));
    record.Message = GameText(TEXT("hello"));
    record.ReceivedTime = -1.0;
    fault(record);
    const auto violations = ViolationsDuring([&] {
      GameFunction<void(AShooterPlayerController*, ChatMessageRecord)>("AShooterPlayerController.ClientChatMessage")(
          Alice(), record);
    });
    ASSERT_EQ(violations.size(), 1u) << what;
    EXPECT_NE(violations[0].find(what), std::string::npos) << violations[0];
  }
  EXPECT_TRUE(EventsOf("chat").empty());
}

}  // namespace
