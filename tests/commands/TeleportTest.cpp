// The teleport command end to end: lookup, the guarded coordinate read, the
// replies, and the move that other commands then see.
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class TeleportTest : public PluginTest {
 protected:
  void Start(const json& locations) {
    json config = StandardConfig();
    config["Commands"]["TeleportTo_Console"]["Locations"] = locations;
    WriteConfig(config);
    AddWorld(ThreePlayers());
    LoadPlugin();
  }
  json PositionOf(const std::string& name) {
    const json world = Dump();
    for (const json& player : world["players"])
      if (player["name"] == name) return player["position"];
    return nullptr;
  }
};

TEST_F(TeleportTest, MovesToTheNamedLocationWithDefaultsForMissingCoordinates) {
  Start({{"Camp", {{"x", 1500.5}, {"y", -200}, {"z", 30}}}, {"High", {{"z", 500}}}, {"Origin", json::object()}});
  Console("Bob", "tp Camp");
  EXPECT_EQ(PositionOf("Bob"), json({1500.5, -200.0, 30.0}));
  ASSERT_EQ(CallsOf("AShooterPlayerController.SetPlayerPos").size(), 1u);
  EXPECT_EQ(CallsOf("AShooterPlayerController.SetPlayerPos").at(0)["args"],
            json({Player("Bob")->id, 1500.5, -200.0, 30.0}));
  Console("Bob", "tp High");
  EXPECT_EQ(PositionOf("Bob"), json({0.0, 0.0, 500.0}));
  Console("Bob", "tp Origin");
  EXPECT_EQ(PositionOf("Bob"), json({0.0, 0.0, 0.0}));
  EXPECT_TRUE(ChatTo("Bob").empty());
  // Only Bob moved.
  EXPECT_EQ(PositionOf("Alice"), json({0.0, 0.0, 0.0}));
  EXPECT_EQ(PositionOf("Carol"), json({0.0, 100.0, 0.0}));
}

TEST_F(TeleportTest, WrongTypesAreRefusedAndThePlayerStays) {
  Start({{"Text", {{"x", "100"}}},
         {"Flag", {{"y", true}}},
         {"List", json::array({1, 2, 3})},
         {"Number", 7},
         {"Null", nullptr}});
  for (const char* name : {"Text", "Flag", "List", "Number", "Null"}) Console("Alice", std::string("tp ") + name);
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>(5, kFaultyEntryReply));
  EXPECT_TRUE(CallsOf("AShooterPlayerController.SetPlayerPos").empty());
  EXPECT_EQ(PositionOf("Alice"), json({0.0, 0.0, 0.0}));
  for (const json& chat : EventsOf("chat")) EXPECT_EQ(chat["sender"], "[system]");
}

TEST_F(TeleportTest, NamesMatchExactlyAndOnlyTheSecondWordCounts) {
  Start({{"Camp", {{"x", 10}}}, {"Two Words", {{"x", 20}}}});
  Console("Alice", "tp camp");
  Console("Alice", "tp Two Words");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>(2, kMissingEntryReply));
  EXPECT_EQ(PositionOf("Alice"), json({0.0, 0.0, 0.0}));
  // Extra words, runs of spaces and a trailing space are ignored.
  Console("Alice", "tp   Camp  ignored words ");
  EXPECT_EQ(PositionOf("Alice"), json({10.0, 0.0, 0.0}));
  ClearRecord();
  Console("Alice", "tp");
  Console("Alice", "tp    ");
  EXPECT_TRUE(EventsOf("chat").empty());
}

TEST_F(TeleportTest, LocationsOutsideAnObjectAreNotFound) {
  Start(json::array({{{"x", 1}}}));
  Console("Alice", "tp 0");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{kMissingEntryReply});
}

TEST_F(TeleportTest, ALocationAddedToTheFileIsUsableAfterReload) {
  Start({{"Camp", {{"x", 10}}}});
  Console("Alice", "tp Lake");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{kMissingEntryReply});
  json config = StandardConfig();
  config["Commands"]["TeleportTo_Console"]["Locations"] = {{"Camp", {{"x", 10}}},
                                                           {"Lake", {{"x", -4000}, {"y", 2200}}}};
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "reload");
  Console("Alice", "tp Lake");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Test config reloaded!"});
  EXPECT_EQ(PositionOf("Alice"), json({-4000.0, 2200.0, 0.0}));
}

}  // namespace
