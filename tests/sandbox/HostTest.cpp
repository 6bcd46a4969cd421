// The stand-in host as a plugin host: dispatch rules, handler failures, and
// registrations a plugin leaves behind.
#include "support/PluginTest.h"

#include "sandbox/host/Host.h"

using nlohmann::json;

namespace {

class HostTest : public PluginTest {};

TEST_F(HostTest, CommandWordsMatchWithoutRegardToAsciiCase) {
  WriteConfig(StandardConfig());
  AddWorld(ThreePlayers());
  LoadPlugin();
  Console("Alice", "RELOAD extra words");
  Console("Alice", "reloads");
  Chat("Alice", "reload");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Test config reloaded!"});
  EXPECT_EQ(EventsOf("unknown-command").size(), 2u);
}

TEST_F(HostTest, AFailingHandlerIsLoggedAndTheServerGoesOn) {
  AddWorld(ThreePlayers());
  ExpectHandlerError();
  ExpectHostLog("error", "thrown on purpose");
  ExpectHostLog("warning", "registered");
  ASSERT_TRUE(sandbox::LoadPlugin(LEFTOVER_PLUGIN_PATH));
  Console("Alice", "throw");
  ASSERT_EQ(EventsOf("handler-error").size(), 1u);
  EXPECT_EQ(EventsOf("handler-error").at(0)["command"], "throw");
  bool logged = false;
  for (const json& log : EventsOf("log"))
    logged |= log["logger"] == "TalvexApi" && log["level"] == "error" &&
              log["text"].get<std::string>().find("thrown on purpose") != std::string::npos;
  EXPECT_TRUE(logged);
  Console("Alice", "leftover");
  EXPECT_EQ(EventsOf("handler-error").size(), 1u);
  sandbox::UnloadPlugin();
}

TEST_F(HostTest, RegistrationsLeftAfterUnloadAreReportedAndDropped) {
  AddWorld(ThreePlayers());
  ExpectHostLog("warning", "\"leftover\"");
  ExpectHostLog("warning", "\"throw\"");
  ASSERT_TRUE(sandbox::LoadPlugin(LEFTOVER_PLUGIN_PATH));
  Console("Alice", "leftover");
  EXPECT_TRUE(EventsOf("unknown-command").empty());
  sandbox::UnloadPlugin();
  bool warned = false;
  for (const json& log : EventsOf("log"))
    warned |= log["level"] == "warning" && log["text"].get<std::string>().find("\"leftover\"") != std::string::npos;
  EXPECT_TRUE(warned);
  ClearRecord();
  Console("Alice", "leftover");
  EXPECT_EQ(EventsOf("unknown-command").size(), 1u);
}

}  // namespace
