// "Others" end to end: a kit, group or location command whose entry allows it
// acts on the online player a second word names, by Steam id or by name in any
// letter case; that player is told, the caller's feedback and the audit name
// them, and neither cooldowns nor use limits apply.
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
  EXPECT_EQ(RepliesTo("Alice", "kit builder Dave"), Replies{"No online player matches Dave."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit builder Dave: refused: no such player"});
  EXPECT_EQ(RepliesTo("Alice", "kit builder BOB"), Replies{"Several players match BOB: Bob, bob."});
  EXPECT_EQ(RepliesTo("Alice", "kit builder 76561198000000004"), Replies{});
  EXPECT_EQ(InventoryOf("bob"), 8u);
  EXPECT_EQ(RepliesTo("Alice", "kit builder 76561198000000099"),
            Replies{"No online player matches 76561198000000099."});
  Player("Carol")->online = false;
  EXPECT_EQ(RepliesTo("Alice", "tp Camp Carol"), Replies{"No online player matches Carol."});
  EXPECT_EQ(PlayerDump("Carol")["position"], json({0.0, 100.0, 0.0}));
  EXPECT_EQ(InventoryOf("Alice"), 0u);
  AddWorld({{"noGameWorld", true}});
  EXPECT_EQ(RepliesTo("Alice", "kit builder Bob"), Replies{"No online player matches Bob."});
}

TEST_F(OthersTest, ActingOnAnotherIsNeitherLimitedNorCountedAndWithoutOthersTheWordIsIgnored) {
  json config = OthersConfig({"Cooldowns"});
  Start(config);
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 2u);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You have used medic 1 times, the most allowed."});

  config["Commands"]["ItemTemplate_Console"].erase("Others");
  WriteConfig(config);
  EXPECT_EQ(RepliesTo("Bob", "reload"), Replies{"Test config reloaded!"});
  EXPECT_EQ(RepliesTo("Bob", "kit builder Carol"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 10u);
  EXPECT_EQ(InventoryOf("Carol"), 0u);
  EXPECT_TRUE(ChatTo("Carol").empty());
}

}  // namespace
