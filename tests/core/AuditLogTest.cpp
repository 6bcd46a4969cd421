// The AuditLog feature end to end: every run of every command, allowed or
// refused, leaves one info line through the plugin's logger naming the caller,
// the line as typed and what came of it.
#include <string>
#include <vector>

#include "core/FeatureTest.h"

using nlohmann::json;

namespace {

class AuditLogTest : public FeatureTest {
 protected:
  // The catalogues of the fixture, each with one entry that fails to read.
  static json AuditConfig(const std::vector<std::string>& features) {
    json config = FeatureConfig(features);
    json& commands = config["Commands"];
    commands["ItemTemplate_Console"]["Templates"]["broken"] = {{"count", "two"}};
    commands["SpawnTemplate_Console"]["Templates"]["broken"] = {{"blueprint", 5}};
    commands["TeleportTo_Console"]["Locations"]["Broken"] = {{"x", "100"}};
    return config;
  }

  // The audit lines logged while `action` runs.
  template <typename Action>
  std::vector<std::string> AuditOf(Action action) {
    ClearRecord();
    action();
    std::vector<std::string> lines = PluginLogs("info");
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("AUDIT ", 0), 0u) << line;
    return lines;
  }

  static std::string Alice(const std::string& rest) { return "AUDIT Alice (76561198000000001) " + rest; }

  // The plugin loaded with auditing on, in the feature world with one game member missing.
  void StartWithUnresolved(const std::string& member) {
    WriteConfig(AuditConfig({"AuditLog"}));
    json world = FeatureWorld();
    world["unresolved"] = {member};
    AddWorld(world);
    LoadPlugin();
  }
};

TEST_F(AuditLogTest, EachOutcomeOfEachCommandHasItsLine) {
  Start(AuditConfig({"AuditLog"}));
  const std::vector<std::pair<std::string, std::string>> runs = {
      {"health", "surveyed 2 creatures"},
      {"kit builder", "gave 8 items"},
      {"kit medic", "gave 1 item"},
      {"kit hunter", "gave 3 of 4 items"},
      {"kit castle", "no such template"},
      {"kit", "no such template"},
      {"kit broken", "failed to read template"},
      {"spawn raptors", "spawned 4 creatures"},
      {"spawn ghosts", "spawned 0 of 2 creatures"},
      {"spawn dodos", "spawned 2 creatures"},
      {"spawn nest", "no such template"},
      {"spawn broken", "failed to read template"},
      {"tp Lake", "moved to -4000.5, 2200, 0"},
      {"tp Camp", "moved to 1500, -200, 30"},
      {"tp camp", "no such template"},
      {"tp", "no such template"},
      {"tp Broken", "failed to read template"},
      {"reload", "reloaded"},
  };
  for (const auto& [line, outcome] : runs)
    EXPECT_EQ(AuditOf([&] { Console("Alice", line); }), std::vector<std::string>{Alice(line + ": " + outcome)});
  // The survey counts the creatures of the lines: from the camp, the two of
  // the world and the six Alice spawned (the ghosts never came).
  EXPECT_EQ(AuditOf([&] { Chat("Alice", "/health"); }),
            std::vector<std::string>{Alice("/health: surveyed 8 creatures")});
  EXPECT_EQ(AuditOf([&] { Chat("Carol", "/health"); }),
            std::vector<std::string>{"AUDIT Carol (76561198000000003) /health: surveyed 0 creatures"});
}

TEST_F(AuditLogTest, TheLineIsLoggedAsTypedAndTheRepliesStayAsTheyWere) {
  Start(AuditConfig({"AuditLog"}));
  EXPECT_EQ(AuditOf([&] { Console("Bob", "tp   Camp  {} extra "); }),
            std::vector<std::string>{"AUDIT Bob (76561198000000002) tp   Camp  {} extra : moved to 1500, -200, 30"});
  EXPECT_TRUE(ChatTo("Bob").empty());
  EXPECT_EQ(AuditOf([&] { Chat("Alice", "/health now"); }),
            std::vector<std::string>{Alice("/health now: surveyed 2 creatures")});
  AuditOf([&] { Console("Alice", "kit castle"); });
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"The template does not exist! Maybe you forgot to reload..?"});
}

// The log is UTF-8: a name or a line keeps every character; a lone surrogate,
// which no text can hold, becomes "?".
TEST_F(AuditLogTest, NamesAndLinesKeepEveryCharacter) {
  Start(AuditConfig({"AuditLog"}));
  AddWorld({{"players", {{{"name", "Zoë"}, {"steamId", 76561198000000009ULL}, {"team", 1001}}}}});
  EXPECT_EQ(AuditOf([&] { Console("Zoë", "kit stärter 𝄞"); }),
            std::vector<std::string>{"AUDIT Zoë (76561198000000009) kit stärter 𝄞: no such template"});
}

TEST_F(AuditLogTest, RefusedAndFailedRunsAreLoggedToo) {
  json config = AuditConfig({"AuditLog", "Permissions"});
  config["Commands"]["ItemTemplate_Console"]["Permissions"] = true;
  config["Commands"]["ItemTemplate_Console"]["Whitelist"] = {kAliceId};
  Start(config);
  EXPECT_EQ(AuditOf([&] { Console("Bob", "kit builder"); }),
            std::vector<std::string>{"AUDIT Bob (76561198000000002) kit builder: refused: not allowed"});
  EXPECT_EQ(PluginLogs("warning").size(), 1u);
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }), std::vector<std::string>{Alice("kit medic: gave 1 item")});

  // A file the next load would refuse: the plugin logs the failure, the
  // audit line says so, and the old settings stay.
  WriteConfigText("{\"Commands\": ");
  ExpectHostLog("error", "The command ReloadConfig_Console failed");
  EXPECT_EQ(AuditOf([&] { Console("Alice", "reload"); }), std::vector<std::string>{Alice("reload: reload failed")});
  EXPECT_EQ(CommandFailures().size(), 1u);
  EXPECT_EQ(AuditOf([&] { Console("Alice", "tp Camp"); }),
            std::vector<std::string>{Alice("tp Camp: moved to 1500, -200, 30")});
}

TEST_F(AuditLogTest, ACommandStoppedByAMissingGameMemberSaysWhichOne) {
  StartWithUnresolved("UPrimalItem.AddNewItem");
  const std::string stop = "the game member \"UPrimalItem.AddNewItem\" is not available";
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }),
            std::vector<std::string>{Alice("kit medic: stopped: " + stop)});
  EXPECT_EQ(PluginLogs("error"), std::vector<std::string>{"The command ItemTemplate_Console stopped: " + stop});
}

TEST_F(AuditLogTest, ACommandThatFailsBeforeDoingAnythingIsLoggedAsFailed) {
  WriteConfig(AuditConfig({"AuditLog"}));
  json world = FeatureWorld();
  world["allocationLimit"] = 44;  // short command texts, no item class path
  AddWorld(world);
  LoadPlugin();
  ExpectHostLog("error", "The command ItemTemplate_Console failed: std::bad_alloc");
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }), std::vector<std::string>{Alice("kit medic: failed")});
}

TEST_F(AuditLogTest, ACallerTheGameCannotNameIsLoggedAsAQuestionMark) {
  StartWithUnresolved("AShooterPlayerState.GetPlayerName");
  // The name is for the log line only: the kit is still given.
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }),
            std::vector<std::string>{"AUDIT ? (76561198000000001) kit medic: gave 1 item"});
  EXPECT_TRUE(PluginLogs("error").empty());
}

TEST_F(AuditLogTest, OffItLogsNothing) {
  json config = AuditConfig({"Permissions", "Feedback"});
  config["Features"]["AuditLog"] = {{"Enabled", false}};
  Start(config);
  for (const char* line : {"health", "kit builder", "kit castle", "spawn raptors", "tp Camp", "reload"})
    EXPECT_TRUE(AuditOf([&] { Console("Alice", line); }).empty()) << line;
  // Switched on in the file: still off until the next load.
  config["Features"]["AuditLog"]["Enabled"] = true;
  WriteConfig(config);
  EXPECT_TRUE(AuditOf([&] { Console("Alice", "reload"); }).empty());
  EXPECT_TRUE(AuditOf([&] { Console("Alice", "kit medic"); }).empty());
}

}  // namespace
