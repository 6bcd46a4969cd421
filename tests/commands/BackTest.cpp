// The back command end to end: the caller back where the teleport command last
// moved them from, after their own teleport or one done to them, once; and no
// place read or kept while the command is not registered.
#include "core/FeatureTest.h"
#include "sandbox/game/Names.h"

using nlohmann::json;

namespace {

using Replies = std::vector<std::string>;

class BackTest : public FeatureTest {
 protected:
  Replies RepliesTo(const std::string& player, const std::string& line) {
    ClearRecord();
    Console(player, line);
    return ChatTo(player);
  }
  json PositionOf(const std::string& player) const { return PlayerDump(player)["position"]; }
};

TEST_F(BackTest, BackReturnsOnceToWhereTheLastTeleportMovedThePlayerFrom) {
  Start(FeatureConfig({"AuditLog"}));
  EXPECT_EQ(RepliesTo("Bob", "back"), Replies{"Nothing to go back to: no teleport has moved you."});
  Console("Bob", "tp Camp");
  Console("Bob", "tp Lake");
  EXPECT_EQ(RepliesTo("Bob", "back"), Replies{});
  EXPECT_EQ(PositionOf("Bob"), json({1500.0, -200.0, 30.0}));
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Bob (76561198000000002) back: moved to 1500, -200, 30"});
  // Twice in a row: the place is taken by the first.
  EXPECT_EQ(RepliesTo("Bob", "back"), Replies{"Nothing to go back to: no teleport has moved you."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Bob (76561198000000002) back: refused: nothing to go back to"});
  EXPECT_EQ(PositionOf("Bob"), json({1500.0, -200.0, 30.0}));
  // Each player has their own.
  EXPECT_EQ(RepliesTo("Alice", "back"), Replies{"Nothing to go back to: no teleport has moved you."});
}

TEST_F(BackTest, APlayerMovedByAnotherGoesBackAndAnUnloadForgets) {
  json config = FeatureConfig({});
  config["Commands"]["TeleportTo_Console"]["Others"] = true;
  Start(config);
  Console("Alice", "tp Camp Carol");
  EXPECT_EQ(PositionOf("Carol"), json({1500.0, -200.0, 30.0}));
  // The mover has nothing of it to go back to; the one moved has.
  EXPECT_EQ(RepliesTo("Alice", "back"), Replies{"Nothing to go back to: no teleport has moved you."});
  EXPECT_EQ(RepliesTo("Carol", "back"), Replies{});
  EXPECT_EQ(PositionOf("Carol"), json({0.0, 100.0, 0.0}));
  Console("Alice", "tp Lake Carol");
  UnloadPlugin();
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Carol", "back"), Replies{"Nothing to go back to: no teleport has moved you."});
}

TEST_F(BackTest, ABackThatTheGameCouldNotMoveKeepsThePlaceToGoBackTo) {
  Start(FeatureConfig({}));
  Console("Bob", "tp Camp");
  sim::WithholdName("AShooterPlayerController.SetPlayerPos");
  ExpectHostLog("error", "The command Back_Console stopped");
  Console("Bob", "back");
  EXPECT_EQ(PositionOf("Bob"), json({1500.0, -200.0, 30.0}));
  sim::ResetNameRequests();
  EXPECT_EQ(RepliesTo("Bob", "back"), Replies{});
  EXPECT_EQ(PositionOf("Bob"), json({100.0, 0.0, 0.0}));
}

TEST_F(BackTest, WithoutTheBackCommandATeleportReadsNoPlace) {
  json config = FeatureConfig({});
  config["Commands"].erase("Back_Console");
  WriteConfig(config);
  json world = FeatureWorld();
  world["unresolved"] = {"AActor.DefaultActorLocation"};
  AddWorld(world);
  LoadPlugin();
  Console("Bob", "tp Camp");
  EXPECT_EQ(PositionOf("Bob"), json({1500.0, -200.0, 30.0}));
}

}  // namespace
