// "Others" end to end: a kit, group or location command whose entry allows it
// acts on the online player a second word names, by Steam id or by name in any
// letter case; that player is told, the caller's feedback and the audit name
// them, and the entry's whitelist, cooldown and use limit are judged for them.
#include <string>
#include <vector>

#include "core/FeatureTest.h"

using nlohmann::json;

namespace {

using Replies = std::vector<std::string>;

class OthersTest : public FeatureTest {
 protected:
  static json OthersConfig(const std::vector<std::string>& features) {
    json config = FeatureConfig(features);
    for (const char* key : {"ItemTemplate_Console", "SpawnTemplate_Console", "TeleportTo_Console"})
      config["Commands"][key]["Others"] = true;
    config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["uses"] = 1;
    return config;
  }
  Replies RepliesTo(const std::string& player, const std::string& line) {
    ClearRecord();
    Console(player, line);
    return ChatTo(player);
  }
  std::size_t InventoryOf(const std::string& player) const { return PlayerDump(player)["inventory"].size(); }
};

TEST_F(OthersTest, TheNamedPlayerIsGivenSpawnedAroundOrMovedAndTold) {
  Start(OthersConfig({"Feedback", "AuditLog"}));
  EXPECT_EQ(RepliesTo("Alice", "kit builder BOB"), Replies{"Gave 8 items to Bob."});
  EXPECT_EQ(ChatTo("Bob"), Replies{"Alice gave you the kit builder."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit builder BOB: gave 8 items; acted on Bob "
                                        "(76561198000000002)"});
  EXPECT_EQ(InventoryOf("Bob"), 8u);
  EXPECT_EQ(InventoryOf("Alice"), 0u);

  EXPECT_EQ(RepliesTo("Alice", "tp Camp 76561198000000003"), Replies{"Moved Carol to Camp."});
  EXPECT_EQ(ChatTo("Carol"), Replies{"Alice moved you to Camp."});
  EXPECT_EQ(PlayerDump("Carol")["position"], json({1500.0, -200.0, 30.0}));
  EXPECT_EQ(PlayerDump("Alice")["position"], json({0.0, 0.0, 0.0}));

  // Tamed to Carol's team, as if she had asked.
  EXPECT_EQ(RepliesTo("Alice", "spawn raptors carol"), Replies{"Spawned 4 creatures around Carol."});
  EXPECT_EQ(ChatTo("Carol"), Replies{"Alice spawned raptors around you."});
  std::size_t carols = 0;
  const json world = Dump();
  for (const json& creature : world["creatures"]) carols += creature["tamerName"] == "Carol" ? 1 : 0;
  EXPECT_EQ(carols, 4u);

  // The caller named is no other player.
  EXPECT_EQ(RepliesTo("Alice", "kit medic alice"), Replies{"Gave 1 item."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit medic alice: gave 1 item"});
}

TEST_F(OthersTest, ANameThatMatchesNoOnlinePlayerOrSeveralIsRefused) {
  Start(OthersConfig({"AuditLog"}));
  AddWorld({{"players", {{{"name", "bob"}, {"steamId", 76561198000000004ULL}, {"team", 1001}}}}});
  EXPECT_EQ(RepliesTo("Alice", "kit builder Dave"),
            Replies{"No online player matches Dave; use the Steam id for names with spaces."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit builder Dave: refused: no such player"});
  EXPECT_EQ(RepliesTo("Alice", "kit builder BOB"), Replies{"Several players match BOB: Bob, bob."});
  EXPECT_EQ(RepliesTo("Alice", "kit builder 76561198000000004"), Replies{});
  EXPECT_EQ(InventoryOf("bob"), 8u);
  EXPECT_EQ(RepliesTo("Alice", "kit builder 76561198000000099"),
            Replies{"No online player matches 76561198000000099; use the Steam id for names with spaces."});
  Player("Carol")->online = false;
  EXPECT_EQ(RepliesTo("Alice", "tp Camp Carol"),
            Replies{"No online player matches Carol; use the Steam id for names with spaces."});
  EXPECT_EQ(PlayerDump("Carol")["position"], json({0.0, 100.0, 0.0}));
  EXPECT_EQ(InventoryOf("Alice"), 0u);
  AddWorld({{"noGameWorld", true}});
  EXPECT_EQ(RepliesTo("Alice", "kit builder Bob"),
            Replies{"No online player matches Bob; use the Steam id for names with spaces."});
}

TEST_F(OthersTest, ActingOnAnotherIsJudgedAndCountedForThemAndWithoutOthersTheWordIsIgnored) {
  json config = OthersConfig({"Cooldowns"});
  Start(config);
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{"Bob has used medic once, the most allowed."});
  // Giving to each other does not get round the limit either.
  EXPECT_EQ(RepliesTo("Bob", "kit medic Alice"), Replies{});
  EXPECT_EQ(RepliesTo("Bob", "kit medic Alice"), Replies{"Alice has used medic once, the most allowed."});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You have used medic once, the most allowed."});
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You have used medic once, the most allowed."});
  EXPECT_EQ(InventoryOf("Bob"), 1u);
  EXPECT_EQ(InventoryOf("Alice"), 1u);

  config["Commands"]["ItemTemplate_Console"].erase("Others");
  WriteConfig(config);
  EXPECT_EQ(RepliesTo("Bob", "reload"), Replies{"Test config reloaded!"});
  EXPECT_EQ(RepliesTo("Bob", "kit builder Carol"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 9u);
  EXPECT_EQ(InventoryOf("Carol"), 0u);
  EXPECT_TRUE(ChatTo("Carol").empty());
}

// The entry's whitelist is the player acted on's; "Others" as a list names who
// may act on others; a name typed in its own letter case beats other cases.
TEST_F(OthersTest, WhoMayActOnWhomAndWithWhatIsJudgedForBoth) {
  json config = OthersConfig({"Permissions", "Cooldowns", "AuditLog"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["vip"] = {
      {"Whitelist", {kBobId}}, {"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}};
  config["Commands"]["SpawnTemplate_Console"]["Templates"]["raptors"]["uses"] = 1;
  config["Commands"]["TeleportTo_Console"]["Others"] = {kAliceId};
  config["Commands"]["TeleportTo_Console"]["Locations"]["Camp"]["uses"] = 0;
  Start(config);
  AddWorld({{"players",
             {{{"name", "bob"}, {"steamId", 76561198000000004ULL}, {"team", 1001}},
              {{"name", "Dave"}, {"steamId", 76561198000000005ULL}, {"character", false}}}}});
  EXPECT_EQ(RepliesTo("Bob", "kit vip Alice"), Replies{"Alice is not allowed to use vip."});
  EXPECT_EQ(PluginLogs("warning"), Replies{"Bob (76561198000000002) is not allowed to use ItemTemplate_Console \"vip\" "
                                           "for Alice (76561198000000001)"});
  EXPECT_EQ(RepliesTo("Alice", "kit vip Bob"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 1u);

  EXPECT_EQ(RepliesTo("Alice", "spawn raptors Carol"), Replies{});
  EXPECT_EQ(RepliesTo("Bob", "spawn raptors Carol"), Replies{"Carol has used raptors once, the most allowed."});

  EXPECT_EQ(RepliesTo("Bob", "tp Lake Alice"), Replies{"You are not allowed to act on other players."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Bob (76561198000000002) tp Lake Alice: refused: not allowed"});
  EXPECT_EQ(RepliesTo("Bob", "tp Lake"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "tp Lake Bob"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "tp Camp Bob"), Replies{"Camp cannot be used: it allows no uses."});

  // "bob" is typed as one player's name is written: that player, not Bob.
  EXPECT_EQ(RepliesTo("Alice", "kit builder bob"), Replies{});
  EXPECT_EQ(InventoryOf("bob"), 8u);
  EXPECT_EQ(RepliesTo("Alice", "kit builder BOB"), Replies{"Several players match BOB: Bob, bob."});

  // A player between characters, as caller or as the one acted on.
  EXPECT_EQ(RepliesTo("Alice", "kit builder Dave"), Replies{"Dave has no character in the world right now."});
  EXPECT_EQ(PluginLogs("info"),
            Replies{"AUDIT Alice (76561198000000001) kit builder Dave: refused: no character; acted on Dave "
                    "(76561198000000005)"});
  EXPECT_EQ(RepliesTo("Dave", "tp Lake"), Replies{"Dave has no character in the world right now."});
}

}  // namespace
