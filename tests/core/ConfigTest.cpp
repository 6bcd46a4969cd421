// Reading config.json again with the reload command: what a failed reload
// leaves in place, and what a successful one changes.
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class ConfigTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    json config = StandardConfig();
    config["Commands"]["TeleportTo_Console"]["Locations"] = {{"Camp", {{"x", 10}}}};
    config["Features"] = {{"Night", {{"Enabled", true}}}};
    WriteConfig(config);
    AddWorld(ThreePlayers());
    LoadPlugin();
    ClearRecord();
  }
  // A config that adds the location "Lake".
  static json WithLake() {
    json config = StandardConfig();
    config["Commands"]["TeleportTo_Console"]["Locations"] = {{"Camp", {{"x", 10}}}, {"Lake", {{"x", 20}}}};
    config["Features"] = {{"Night", {{"Enabled", true}}}};
    return config;
  }
  // Reloads as Alice and tells why the reload failed, as the plugin logged it.
  std::string FailedReload() {
    ExpectHostLog("error", "The command ReloadConfig_Console failed");
    ClearRecord();
    Console("Alice", "reload");
    EXPECT_TRUE(ChatTo("Alice").empty()) << "a failed reload sends no reply";
    const std::vector<std::string> errors = CommandFailures();
    return errors.size() == 1 ? errors[0] : std::string();
  }
  // Whether Bob can teleport to each of Camp and Lake now.
  std::pair<bool, bool> Reachable() {
    auto reaches = [&](const std::string& name) {
      ClearRecord();
      Console("Bob", "tp " + name);
      return CallsOf("AShooterPlayerController.SetPlayerPos").size() == 1;
    };
    const bool camp = reaches("Camp");
    return {camp, reaches("Lake")};
  }
};

TEST_F(ConfigTest, AMissingFileAtReloadKeepsEverything) {
  RemoveConfig();
  EXPECT_NE(FailedReload(), "");
  int logged = 0;
  for (const json& log : EventsOf("log"))
    if (log["logger"] == "Dremmet" && log["level"] == "error" && log["text"] == "Could not open file config.json")
      ++logged;
  EXPECT_EQ(logged, 1);
  EXPECT_EQ(Reachable(), std::make_pair(true, false));
}

TEST_F(ConfigTest, AMalformedFileAtReloadKeepsEverything) {
  WriteConfigText(WithLake().dump() + ",");
  EXPECT_NE(FailedReload().find("parse error"), std::string::npos);
  EXPECT_EQ(Reachable(), std::make_pair(true, false));
}

TEST_F(ConfigTest, NestingDeeperThan256LevelsIsRefused) {
  json config = WithLake();
  json deep = json::array();
  for (int level = 0; level < 253; ++level) deep = json::array({deep});
  config["Features"]["Deep"] = {{"Nested", deep}};  // 257 levels in all
  WriteConfig(config);
  EXPECT_NE(FailedReload().find("deeper than 256"), std::string::npos);
  EXPECT_EQ(Reachable(), std::make_pair(true, false));
}

TEST_F(ConfigTest, ATypeErrorAnywhereLeavesTheWholeConfigurationAsItWas) {
  // The commands are read before the features: the faulty feature comes last.
  json config = WithLake();
  config["Features"]["Night"] = 5;
  WriteConfig(config);
  EXPECT_NE(FailedReload().find("cannot use value() with number"), std::string::npos);
  EXPECT_EQ(Reachable(), std::make_pair(true, false));
  // Once the file is mended the reload takes it whole.
  WriteConfig(WithLake());
  ClearRecord();
  Console("Alice", "reload");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Test config reloaded!"});
  EXPECT_EQ(Reachable(), std::make_pair(true, true));
}

TEST_F(ConfigTest, EntriesNewSinceLoadAndVanishedEntriesAreLeftAlone) {
  json config = WithLake();
  config["Commands"].erase("TeleportTo_Console");
  config["Commands"]["Brand_New_Console"] = {{"Command", "new"}, {"Whitelist", {1, 2}}};
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "reload");
  // The reload says what it left as loaded; a key no command reads is no change.
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{
                                 "Test config reloaded!",
                                 "Not applied until the plugin is loaded again: TeleportTo_Console (entry removed)."}));
  EXPECT_TRUE(EventsOf("register").empty());
  EXPECT_EQ(Reachable(), std::make_pair(true, false));
}

}  // namespace

TEST_F(ConfigTest, AReloadNamesEveryChangeOnlyALoadAppliesAndLogsIt) {
  UnloadPlugin();
  json config = WithLake();
  config["Commands"].erase("Health_Console");
  WriteConfig(config);
  LoadPlugin();
  config = WithLake();
  config["Commands"]["ItemTemplate_Console"]["Command"] = "givekit";
  config["Commands"]["ItemTemplate_Console"]["Permissions"] = true;
  config["Features"]["Night"]["Enabled"] = false;
  config["Features"]["AuditLog"] = {{"Enabled", true}};
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "reload");
  const std::string said =
      "Not applied until the plugin is loaded again: Health_Console (new entry), ItemTemplate_Console \"Command\" "
      "\"Permissions\", Features \"AuditLog\" \"Enabled\", Features \"Night\" \"Enabled\".";
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{"Test config reloaded!", said}));
  std::vector<std::string> warnings;
  for (const json& log : EventsOf("log"))
    if (log["logger"] == "Dremmet" && log["level"] == "warning") warnings.push_back(log["text"]);
  EXPECT_EQ(warnings, std::vector<std::string>{said});
  // What the reload does apply it applies: Lake is reachable.
  EXPECT_EQ(Reachable(), std::make_pair(true, true));
}

// A command that registers neither before nor after a reload is no change a
// load would make: an entry disabled, added disabled, or with no "Command" (as
// savehere makes the teleport entry) is not named.
TEST_F(ConfigTest, AReloadDoesNotNameCommandsThatRegisterNeitherBeforeNorAfter) {
  UnloadPlugin();
  json config = WithLake();
  config["Commands"]["Health_Console"]["Enabled"] = false;
  config["Commands"].erase("Health_Chat");
  config["Commands"]["TeleportTo_Console"].erase("Command");
  WriteConfig(config);
  LoadPlugin();
  config["Commands"].erase("Health_Console");
  config["Commands"]["Health_Chat"] = {{"Command", "/health"}, {"Enabled", false}};
  config["Commands"]["TeleportTo_Console"]["Permissions"] = true;
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "reload");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Test config reloaded!"});
  // Enabled now: a load would register it.
  config["Commands"]["Health_Chat"]["Enabled"] = true;
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "reload");
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{"Test config reloaded!",
                                                       "Not applied until the plugin is loaded again: Health_Chat (new "
                                                       "entry)."}));
}
