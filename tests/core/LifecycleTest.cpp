// Load and unload through the sandbox host: what gets registered under which
// text, what unload removes, and how a bad config.json leaves the server.
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

std::vector<std::string> Texts(const std::vector<json>& events) {
  std::vector<std::string> texts;
  for (const json& event : events) texts.push_back(event["kind"].get<std::string>() + " " + event["text"].get<std::string>());
  return texts;
}

class LifecycleTest : public PluginTest {};

TEST_F(LifecycleTest, ReloadCommandAnswersFromSystem) {
  WriteConfig(StandardConfig());
  AddWorld(ThreePlayers());
  LoadPlugin();
  Console("Alice", "reload");
  ASSERT_EQ(EventsOf("chat").size(), 1u);
  EXPECT_EQ(EventsOf("chat")[0], json({{"event", "chat"}, {"to", "Alice"}, {"sender", "[system]"},
                                       {"text", "Test config reloaded!"}}));
  EXPECT_TRUE(CallsOf("AShooterPlayerController.ClientChatMessage").size() == 1);
}

}  // namespace
