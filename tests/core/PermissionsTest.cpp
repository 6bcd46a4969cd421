// The Permissions feature end to end: a command flagged "Permissions" runs only
// for the Steam ids of its whitelist, chat and console alike; anyone else is
// refused with one reply and a warning, and the world stays as it was.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/FeatureTest.h"
#include "orvanel/core/CommandTable.h"

using nlohmann::json;

namespace {

constexpr const char* kRefusal = "You are not allowed to use this command.";

// One line of each command, its sample in the table, and the key it runs.
struct Line {
  bool chat;
  const char* text;
  const char* key;
};
const std::vector<Line> kLines = [] {
  std::vector<Line> lines;
  for (const CommandRow& row : kCommandRows) lines.push_back({row.kind == CommandKind::Chat, row.sample, row.key});
  return lines;
}();

class PermissionsTest : public FeatureTest {
 protected:
  // Every command flagged, with `whitelist`; the Permissions feature as given.
  static json GuardedConfig(const json& whitelist, bool feature = true) {
    json config = FeatureConfig(feature ? std::vector<std::string>{"Permissions"} : std::vector<std::string>{});
    for (auto& [key, entry] : config["Commands"].items()) {
      entry["Permissions"] = true;
      entry["Whitelist"] = whitelist;
    }
    return config;
  }

  void Type(const std::string& player, const Line& line) {
    if (line.chat)
      Chat(player, line.text);
    else
      Console(player, line.text);
  }

  // `player` runs every line and is refused each time: one reply, one warning
  // naming the caller and the key, no other call into the game and no change.
  void ExpectEveryLineRefused(const std::string& player, unsigned long long steam_id) {
    const json before = Dump();
    for (const Line& line : kLines) {
      SCOPED_TRACE(line.text);
      ClearRecord();
      Type(player, line);
      EXPECT_EQ(ChatTo(player), std::vector<std::string>{kRefusal});
      EXPECT_EQ(EventsOf("chat").at(0)["sender"], "[system]");
      EXPECT_TRUE(EventsOf("notification").empty());
      EXPECT_EQ(PluginLogs("warning"), std::vector<std::string>{player + " (" + std::to_string(steam_id) +
                                                                ") is not allowed to use " + line.key});
      for (const json& call : CallsSinceClear())
        EXPECT_TRUE(call["call"] == "AShooterPlayerController.ClientChatMessage" ||
                    call["call"] == "AShooterPlayerState.GetPlayerName")
            << call.dump();
    }
    EXPECT_EQ(Dump(), before);
  }

  // `player` runs every line and each runs as it would without the feature.
  void ExpectEveryLineRuns(const std::string& player) {
    ClearRecord();
    const std::size_t items = PlayerDump(player)["inventory"].size();
    const std::size_t creatures = CreatureCount();
    for (const Line& line : kLines) Type(player, line);
    EXPECT_TRUE(PluginLogs("warning").empty());
    const std::vector<std::string> replies = ChatTo(player);
    EXPECT_EQ(std::count(replies.begin(), replies.end(), kRefusal), 0);
    EXPECT_EQ(std::count(replies.begin(), replies.end(), "Test config reloaded!"), 1);
    EXPECT_EQ(EventsOf("notification").size(), 1u);
    EXPECT_EQ(PlayerDump(player)["inventory"].size(), items + 8);
    // Four spawned, and removed again by the despawn line after them.
    EXPECT_EQ(CreatureCount(), creatures);
    std::ifstream file(root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json", std::ios::binary);
    EXPECT_EQ(json::parse(file)["Commands"]["TeleportTo_Console"]["Locations"]["Here"],
              json({{"x", 1500}, {"y", -200}, {"z", 30}}));
    EXPECT_EQ(PlayerDump(player)["position"], json({1500.0, -200.0, 30.0}));
  }
};

TEST_F(PermissionsTest, OnlyWhitelistedCallersRunEachKindOfCommand) {
  Start(GuardedConfig({kAliceId}));
  ExpectEveryLineRefused("Bob", kBobId);
  ExpectEveryLineRefused("Carol", 76561198000000003ULL);
  ExpectEveryLineRuns("Alice");
}

TEST_F(PermissionsTest, AnEmptyWhitelistAdmitsNobody) {
  Start(GuardedConfig(json::array()));
  ExpectEveryLineRefused("Alice", kAliceId);
  ExpectEveryLineRefused("Bob", kBobId);
}

TEST_F(PermissionsTest, UnflaggedCommandsRunForEveryone) {
  json config = GuardedConfig(json::array());
  for (auto& [key, entry] : config["Commands"].items()) entry.erase("Permissions");
  config["Commands"]["ItemTemplate_Console"]["Permissions"] = false;
  Start(config);
  ExpectEveryLineRuns("Bob");
}

TEST_F(PermissionsTest, WithTheFeatureOffTheFlagsAndWhitelistsChangeNothing) {
  AddWorld(FeatureWorld());
  for (const json& feature : {json(nullptr), json({{"Enabled", false}}), json::object()}) {
    SCOPED_TRACE(feature.dump());
    json config = GuardedConfig(json::array(), false);
    if (!feature.is_null()) config["Features"]["Permissions"] = feature;
    WriteConfig(config);
    LoadPlugin();
    ExpectEveryLineRuns("Bob");
    EXPECT_TRUE(PluginLogs("info").empty());
    UnloadPlugin();
  }
}

TEST_F(PermissionsTest, TheWhitelistFollowsEachReloadWhileTheFlagsStayAsLoaded) {
  json config = GuardedConfig({kAliceId});
  config["Commands"]["ReloadConfig_Console"]["Permissions"] = false;
  Start(config);
  Console("Bob", "kit medic");
  EXPECT_EQ(ChatTo("Bob"), std::vector<std::string>{kRefusal});

  // The kit's whitelist now names Bob alone; the teleport's flag and the
  // feature's switch are turned off in the file, which a reload does not take.
  config["Commands"]["ItemTemplate_Console"]["Whitelist"] = {kBobId};
  config["Commands"]["TeleportTo_Console"]["Permissions"] = false;
  config["Features"]["Permissions"]["Enabled"] = false;
  WriteConfig(config);
  ClearRecord();
  Console("Bob", "reload");
  Console("Bob", "kit medic");
  Console("Alice", "kit medic");
  Console("Bob", "tp Camp");
  EXPECT_EQ(ChatTo("Bob"), (std::vector<std::string>{"Test config reloaded!",
                                                     "Not applied until the plugin is loaded again: TeleportTo_Console "
                                                     "\"Permissions\", Features \"Permissions\" \"Enabled\".",
                                                     kRefusal}));
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{kRefusal});
  EXPECT_EQ(PlayerDump("Bob")["inventory"].size(), 1u);
  EXPECT_TRUE(PlayerDump("Alice")["inventory"].empty());
  EXPECT_EQ(PlayerDump("Bob")["position"], json({100.0, 0.0, 0.0}));

  // Switched on in the file after a load without it: off until the next load.
  UnloadPlugin();
  WriteConfig(GuardedConfig(json::array(), false));
  LoadPlugin();
  WriteConfig(GuardedConfig(json::array()));
  ClearRecord();
  Console("Carol", "reload");
  Console("Carol", "kit medic");
  EXPECT_EQ(ChatTo("Carol"),
            (std::vector<std::string>{
                "Test config reloaded!",
                "Not applied until the plugin is loaded again: Features \"Permissions\" \"Enabled\"."}));
  EXPECT_EQ(PlayerDump("Carol")["inventory"].size(), 1u);
}

TEST_F(PermissionsTest, WhitelistEntriesMatchTheWholeSteamId) {
  // The id's low 32 bits, the id plus one and a negative number match nobody.
  Start(GuardedConfig({kAliceId & 0xffffffffULL, kBobId + 1, -1}));
  Console("Bob", "kit medic");
  Console("Alice", "kit medic");
  EXPECT_EQ(ChatTo("Bob"), std::vector<std::string>{kRefusal});
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{kRefusal});
}

}  // namespace

namespace {

// A kit, group or location with a "Whitelist" of its own: only those ids may
// use it, after the command's own check; Feedback offers only what the caller
// may use.
class EntryWhitelistTest : public FeatureTest {
 protected:
  static json EntryConfig(const std::vector<std::string>& features) {
    json config = FeatureConfig(features);
    json& commands = config["Commands"];
    commands["ItemTemplate_Console"]["Templates"]["builder"]["Whitelist"] = {kBobId};
    commands["SpawnTemplate_Console"]["Templates"]["raptors"]["Whitelist"] = json::array();
    commands["TeleportTo_Console"]["Locations"]["Camp"]["Whitelist"] = {kAliceId, kBobId};
    commands["TeleportTo_Console"]["Permissions"] = true;
    commands["TeleportTo_Console"]["Whitelist"] = {kBobId};
    return config;
  }
  std::vector<std::string> RepliesTo(const std::string& player, const std::string& line) {
    ClearRecord();
    Console(player, line);
    return ChatTo(player);
  }
};

TEST_F(EntryWhitelistTest, OnlyTheIdsOfAnEntrysWhitelistMayUseItAndTheOthersAreToldWhich) {
  Start(EntryConfig({"Permissions", "AuditLog"}));
  EXPECT_EQ(RepliesTo("Alice", "kit builder"), std::vector<std::string>{"You are not allowed to use builder."});
  EXPECT_EQ(
      PluginLogs("warning"),
      std::vector<std::string>{"Alice (76561198000000001) is not allowed to use ItemTemplate_Console \"builder\""});
  EXPECT_EQ(PluginLogs("info"),
            std::vector<std::string>{"AUDIT Alice (76561198000000001) kit builder: refused: not allowed"});
  EXPECT_EQ(PlayerDump("Alice")["inventory"].size(), 0u);
  EXPECT_EQ(RepliesTo("Bob", "kit builder"), std::vector<std::string>{});
  EXPECT_EQ(PlayerDump("Bob")["inventory"].size(), 8u);
  // An empty whitelist lets nobody; an entry without one, everyone.
  EXPECT_EQ(RepliesTo("Bob", "spawn raptors"), std::vector<std::string>{"You are not allowed to use raptors."});
  EXPECT_TRUE(CallsOf("AShooterPlayerController.SpawnActor").empty());
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), std::vector<std::string>{});
  // The command's own check comes first: Alice may use Camp, not the command.
  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), std::vector<std::string>{"You are not allowed to use this command."});
  EXPECT_EQ(RepliesTo("Bob", "tp Camp"), std::vector<std::string>{});
  EXPECT_EQ(PlayerDump("Bob")["position"], json({1500.0, -200.0, 30.0}));
}

TEST_F(EntryWhitelistTest, FeedbackOffersOnlyWhatTheCallerMayUseAndOffTheWhitelistsAreIgnored) {
  Start(EntryConfig({"Permissions", "Feedback"}));
  EXPECT_EQ(RepliesTo("Alice", "kit"), std::vector<std::string>{"Kits: hunter, medic"});
  EXPECT_EQ(
      RepliesTo("Alice", "kit biulder"),
      (std::vector<std::string>{"The template does not exist! Maybe you forgot to reload..?", "Kits: hunter, medic"}));
  EXPECT_EQ(RepliesTo("Bob", "kit"), std::vector<std::string>{"Kits: builder, hunter, medic"});
  EXPECT_EQ(RepliesTo("Bob", "spawn"), std::vector<std::string>{"Groups: dodos, ghosts"});
  UnloadPlugin();
  WriteConfig(EntryConfig({"Feedback"}));
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit builder"), std::vector<std::string>{"Gave 8 items."});
  EXPECT_EQ(RepliesTo("Alice", "spawn"), std::vector<std::string>{"Groups: dodos, ghosts, raptors"});
}

}  // namespace
