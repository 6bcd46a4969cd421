// Load and unload through the sandbox host: what gets registered under which
// text, what unload removes, and how a bad config.json leaves the server.
#include "support/PluginTest.h"

#include "orvanel/core/CommandTable.h"

#include "sandbox/host/Host.h"

#if defined(_WIN32)
#include <windows.h>
#endif

using nlohmann::json;

namespace {

std::vector<std::string> Registrations(const std::vector<json>& events) {
  std::vector<std::string> texts;
  for (const json& event : events)
    texts.push_back(event["kind"].get<std::string>() + " " + event["text"].get<std::string>());
  return texts;
}

class LifecycleTest : public PluginTest {
 protected:
  void StartWith(const json& config) {
    WriteConfig(config);
    AddWorld(ThreePlayers());
    LoadPlugin();
  }
  // With the game's allocator refusing blocks over kSmallBlocks bytes,
  // "/health" fits and this long reload text (46 bytes with its terminator)
  // does not.
  static json LongReloadTextConfig() {
    json config = StandardConfig();
    config["Commands"]["ReloadConfig_Console"]["Command"] = "reloadtheconfiguration";
    return config;
  }
  static constexpr int kSmallBlocks = 32;
  // "chat TEXT" or "console TEXT" of every command `config` registers, in table order.
  static std::vector<std::string> TableOrder(const json& config) {
    std::vector<std::string> order;
    for (const CommandRow& row : kCommandRows)
      order.push_back(std::string(row.kind == CommandKind::Chat ? "chat " : "console ") +
                      config["Commands"][row.key]["Command"].get<std::string>());
    return order;
  }
  std::vector<json> ErrorLogs() const {
    std::vector<json> errors;
    for (const json& log : EventsOf("log"))
      if (log["level"] == "error") errors.push_back(log);
    return errors;
  }
};

TEST_F(LifecycleTest, ReloadCommandAnswersFromSystem) {
  StartWith(StandardConfig());
  Console("Alice", "reload");
  ASSERT_EQ(EventsOf("chat").size(), 1u);
  EXPECT_EQ(EventsOf("chat").at(0),
            json({{"event", "chat"}, {"to", "Alice"}, {"sender", "[system]"}, {"text", "Test config reloaded!"}}));
  EXPECT_EQ(CallsOf("AShooterPlayerController.ClientChatMessage").size(), 1u);
}

TEST_F(LifecycleTest, EveryCommandIsRegisteredAndRemovedInTableOrder) {
  // "Commands" is walked in key order; registration follows the command table.
  StartWith(StandardConfig());
  const std::vector<std::string> order = TableOrder(StandardConfig());
  EXPECT_EQ(Registrations(EventsOf("register")), order);
  UnloadPlugin();
  EXPECT_EQ(Registrations(EventsOf("unregister")), order);
}

TEST_F(LifecycleTest, OnlyEnabledEntriesWithATextAreRegisteredAndRemoved) {
  json config = StandardConfig();
  config["Commands"].erase("TeleportTo_Console");
  config["Commands"]["ReloadConfig_Console"]["Enabled"] = false;
  StartWith(config);
  const auto registered = Registrations(EventsOf("register"));
  EXPECT_EQ(std::count(registered.begin(), registered.end(), "console tp"), 0);
  EXPECT_EQ(std::count(registered.begin(), registered.end(), "console reload"), 0);
  EXPECT_TRUE(ErrorLogs().empty());
  Console("Alice", "reload");
  EXPECT_TRUE(EventsOf("chat").empty());
  UnloadPlugin();
  EXPECT_EQ(Registrations(EventsOf("unregister")), registered);
  // Nothing was left for the host to drop.
  for (const json& log : EventsOf("log")) EXPECT_NE(log["level"], "warning") << log.dump();
}

TEST_F(LifecycleTest, AnEmptyCommandTextIsNotRegistered) {
  json config = StandardConfig();
  config["Commands"]["ReloadConfig_Console"]["Command"] = "";
  StartWith(config);
  const auto registered = Registrations(EventsOf("register"));
  EXPECT_EQ(std::count(registered.begin(), registered.end(), "console "), 0);
  UnloadPlugin();
  EXPECT_EQ(Registrations(EventsOf("unregister")), registered);
}

TEST_F(LifecycleTest, TwoKeysWithOneTextAreBothRegisteredAndBothRemoved) {
  json config = StandardConfig();
  config["Commands"]["TeleportTo_Console"]["Command"] = "reload";
  StartWith(config);
  const auto registered = Registrations(EventsOf("register"));
  EXPECT_EQ(std::count(registered.begin(), registered.end(), "console reload"), 2);
  UnloadPlugin();
  const auto removed = Registrations(EventsOf("unregister"));
  EXPECT_EQ(std::count(removed.begin(), removed.end(), "console reload"), 2);
  EXPECT_EQ(removed.size(), registered.size());
}

TEST_F(LifecycleTest, ReloadLeavesRegistrationsAsTheyWereAtLoad) {
  StartWith(StandardConfig());
  json config = StandardConfig();
  config["Commands"]["ReloadConfig_Console"]["Command"] = "reread";
  config["Commands"]["TeleportTo_Console"]["Enabled"] = false;
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "reload");
  const std::vector<std::string> replies = {"Test config reloaded!",
                                            "Not applied until the plugin is loaded again: ReloadConfig_Console "
                                            "\"Command\", TeleportTo_Console \"Enabled\"."};
  EXPECT_EQ(ChatTo("Alice"), replies);
  EXPECT_TRUE(EventsOf("register").empty());
  Console("Alice", "reread");
  EXPECT_EQ(EventsOf("unknown-command").size(), 1u);
  // Still not applied at the next reload, and said again.
  Console("Alice", "reload");
  EXPECT_EQ(ChatTo("Alice").size(), 4u);
  EXPECT_EQ(ChatTo("Alice")[3], replies[1]);
  // The next load takes the new texts.
  ClearRecord();
  sandbox::UnloadPlugin();
  LoadPlugin();
  const auto registered = Registrations(EventsOf("register"));
  EXPECT_EQ(std::count(registered.begin(), registered.end(), "console reread"), 1);
  EXPECT_EQ(std::count(registered.begin(), registered.end(), "console tp"), 0);
}

TEST_F(LifecycleTest, UnloadAndLoadAgainRegistersExactlyTheSameTexts) {
  StartWith(StandardConfig());
  const auto first = Registrations(EventsOf("register"));
  ASSERT_FALSE(first.empty());
  ClearRecord();
  sandbox::UnloadPlugin();
  LoadPlugin();
  EXPECT_EQ(Registrations(EventsOf("unregister")), first);
  EXPECT_EQ(Registrations(EventsOf("register")), first);
  Console("Carol", "reload");
  EXPECT_EQ(ChatTo("Carol"), std::vector<std::string>{"Test config reloaded!"});
}

TEST_F(LifecycleTest, AMissingFileIsLoggedOnceAndNothingIsRegistered) {
  AddWorld(ThreePlayers());
  LoadPlugin();
  EXPECT_TRUE(EventsOf("register").empty());
  int could_not_open = 0;
  for (const json& log : ErrorLogs()) {
    EXPECT_EQ(log["logger"], "Dremmet");
    if (log["text"] == "Could not open file config.json") ++could_not_open;
  }
  EXPECT_EQ(could_not_open, 1);
  Console("Alice", "reload");
  EXPECT_EQ(EventsOf("unknown-command").size(), 1u);
}

TEST_F(LifecycleTest, UnreadableFilesFailTheLoadWithTheLibrarysError) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {" \n\t ", "unexpected end of input"},
      {"{\"Commands\": {}} trailing", "expected end of input"},
      {"{\"Commands\": {\"ReloadConfig_Console\": {\"Command\": \"reload\", \"Enabled\": \"yes\"}}}",
       "type must be boolean, but is string"},
      {"{\"Commands\": {\"ReloadConfig_Console\": {\"Command\": \"reload\", \"Whitelist\": [\"1\"]}}}",
       "type must be number, but is string"},
      {"{\"Commands\": [{\"Command\": \"reload\"}]}", "(/Commands) type must be object, but is array"},
      {std::string(300, '[') + std::string(300, ']'), "deeper than 256"},
  };
  AddWorld(ThreePlayers());
  for (const auto& [text, error] : cases) {
    WriteConfigText(text);
    ClearRecord();
    sandbox::UnloadPlugin();
    LoadPlugin();
    EXPECT_TRUE(EventsOf("register").empty()) << text;
    const auto errors = ErrorLogs();
    ASSERT_EQ(errors.size(), 1u) << text;
    EXPECT_NE(errors[0]["text"].get<std::string>().find(error), std::string::npos) << errors[0]["text"];
  }
}

TEST_F(LifecycleTest, ATypeErrorAtLoadOrReloadNamesThePointerFromTheFilesRoot) {
  json config = StandardConfig();
  config["Commands"]["Health_Chat"]["Enabled"] = "true";
  StartWith(config);
  EXPECT_TRUE(EventsOf("register").empty());
  ASSERT_EQ(ErrorLogs().size(), 1u);
  EXPECT_EQ(ErrorLogs()[0]["text"],
            "[json.exception.type_error.302] (/Commands/Health_Chat/Enabled) type must be boolean, but is string");

  sandbox::UnloadPlugin();
  LoadPlugin();
  config["Commands"]["Health_Chat"]["Enabled"] = true;
  WriteConfig(config);
  ClearRecord();
  sandbox::UnloadPlugin();
  LoadPlugin();
  config["Features"]["Audit Log/v2"] = {{"Enabled", 1}};
  WriteConfig(config);
  ExpectHostLog("error", "The command ReloadConfig_Console failed");
  Console("Alice", "reload");
  ASSERT_EQ(CommandFailures().size(), 1u);
  EXPECT_EQ(CommandFailures()[0],
            "[json.exception.type_error.302] (/Features/Audit Log~1v2/Enabled) type must be boolean, but is number");
  config["Features"].erase("Audit Log/v2");
  config["Commands"]["TeleportTo_Console"]["Whitelist"] = {1, "2"};
  WriteConfig(config);
  Console("Alice", "reload");
  ASSERT_EQ(CommandFailures().size(), 2u);
  EXPECT_EQ(CommandFailures()[1],
            "[json.exception.type_error.302] (/Commands/TeleportTo_Console/Whitelist/1) type must be number, but is "
            "string");
}

TEST_F(LifecycleTest, ConfigurationsWithoutCommandsLoadQuietly) {
  AddWorld(ThreePlayers());
  for (const char* text : {"{\"Commands\": []}", "{}", "{\"Commands\": null}"}) {
    WriteConfigText(text);
    ClearRecord();
    sandbox::UnloadPlugin();
    LoadPlugin();
    EXPECT_TRUE(EventsOf("register").empty()) << text;
    EXPECT_TRUE(ErrorLogs().empty()) << text;
  }
}

TEST_F(LifecycleTest, NestingUpTo256LevelsIsAccepted) {
  json config = StandardConfig();
  json deep = json::array();
  for (int level = 0; level < 252; ++level) deep = json::array({deep});
  config["Features"]["Deep"] = {{"Nested", deep}};
  StartWith(config);
  EXPECT_TRUE(ErrorLogs().empty());
  EXPECT_FALSE(EventsOf("register").empty());
}

TEST_F(LifecycleTest, ALoadThatFailsWhileRegisteringWithdrawsWhatItRegistered) {
  WriteConfig(LongReloadTextConfig());
  json world = ThreePlayers();
  world["allocationLimit"] = kSmallBlocks;
  AddWorld(world);
  LoadPlugin();
  EXPECT_EQ(Registrations(EventsOf("register")), std::vector<std::string>{"chat /health"});
  EXPECT_EQ(Registrations(EventsOf("unregister")), std::vector<std::string>{"chat /health"});
  ASSERT_EQ(ErrorLogs().size(), 1u);
  EXPECT_EQ(ErrorLogs()[0]["text"], "std::bad_alloc");
  Chat("Alice", "/health");
  EXPECT_TRUE(EventsOf("chat").empty());
  // Nothing is left for unload to remove, and the host sees no stray removal.
  ClearRecord();
  UnloadPlugin();
  EXPECT_TRUE(EventsOf("unregister").empty());
}

TEST_F(LifecycleTest, AnUnloadThatCannotRemoveOneCommandStillRemovesTheOthers) {
  StartWith(LongReloadTextConfig());
  AddWorld({{"allocationLimit", kSmallBlocks}});
  ClearRecord();
  ExpectHostLog("warning", "left the console command \"reloadtheconfiguration\" registered");
  UnloadPlugin();
  std::vector<std::string> removed = TableOrder(LongReloadTextConfig());
  std::erase(removed, "console reloadtheconfiguration");
  EXPECT_EQ(Registrations(EventsOf("unregister")), removed);
  ASSERT_EQ(ErrorLogs().size(), 1u);
  EXPECT_EQ(ErrorLogs()[0]["text"], "std::bad_alloc");
}

#if defined(_WIN32)
// A command text with a non-ASCII character, written in UTF-8 as JSON is, is
// registered as the ANSI code page (1252 here) reads its bytes, and answers
// under that text.
TEST_F(LifecycleTest, ANonAsciiCommandTextIsRegisteredAsTheCodePageReadsIt) {
  if (GetACP() != 1252) GTEST_SKIP() << "the characters below are those of code page 1252";
  StartWith(ConfigWithCommands({{"ReloadConfig_Console", {{"Command", "r\u00e9load"}}}}));
  ASSERT_EQ(Registrations(EventsOf("register")), std::vector<std::string>{"console r\u00c3\u00a9load"});
  Console("Alice", "r\u00c3\u00a9load");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Test config reloaded!"});
}
#endif

}  // namespace
