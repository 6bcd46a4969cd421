// The map's text side: names that are markup or no text at all, a player far
// from the origin, and the teleport locations read from a config file.
#include <fstream>
#include <string>
#include <vector>

#include "orvanel/core/ConfigPath.h"
#include "sandbox/game/Map.h"
#include "sandbox/game/World.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class MapTest : public PluginTest {};

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(MapTest, NamesAreEscapedAndControlCharactersReplaced) {
  json world = ThreePlayers();
  world["players"][1]["name"] = "B<o>b & \"co\"";
  world["creatures"] = {{{"nameTag", "R\u0001ex</text>"}}};
  AddWorld(world);
  const std::string svg = sim::MapSvg({Player("Alice"), 6000, 0, {{"A&B", {}}}});
  EXPECT_NE(svg.find(">B&lt;o&gt;b &amp; &quot;co&quot;</text>"), std::string::npos);
  EXPECT_NE(svg.find(">R?ex&lt;/text&gt;</text>"), std::string::npos);
  EXPECT_NE(svg.find(">A&amp;B</text>"), std::string::npos);
  EXPECT_EQ(svg.find('\x01'), std::string::npos);
}

TEST_F(MapTest, APlayerFarFromTheOriginGetsABoundedGrid) {
  json world = ThreePlayers();
  world["players"][0]["position"] = {1e30, -1e30, 0};
  AddWorld(world);
  const std::string svg = sim::MapSvg({Player("Alice"), 1, 0, {}});
  EXPECT_LE(Count(svg, "<line "), 42u);
}

TEST_F(MapTest, TeleportLocationsAreReadAsTheCommandReadsThem) {
  const json locations = {{"Camp", {{"x", 10}, {"y", -20.5}}},
                          {"Text", {{"x", "100"}}},
                          {"Flag", {{"z", true}}},
                          {"Huge", {{"x", 1e39}}},
                          {"Bare", 5},
                          {"Origin", json::object()}};
  json config = StandardConfig();
  config["Commands"]["TeleportTo_Console"]["Locations"] = locations;
  WriteConfig(config);
  AddWorld(ThreePlayers());
  LoadPlugin();
  // What to expect is where the command itself moves a player to each name,
  // and the names it refuses are left out.
  std::vector<sim::MapLocation> expected;
  for (const auto& named : locations.items()) {
    ClearRecord();
    Console("Alice", "tp " + named.key());
    const std::vector<json> moves = CallsOf("AShooterPlayerController.SetPlayerPos");
    if (moves.empty()) continue;
    const json& to = moves.at(0)["args"];
    expected.push_back({named.key(), FVector{to[1].get<float>(), to[2].get<float>(), to[3].get<float>()}});
  }
  // The file holds locations of both kinds.
  ASSERT_FALSE(expected.empty());
  ASSERT_LT(expected.size(), locations.size());

  const auto file = root_ / kConfigFileInServer;
  const auto drawn = sim::TeleportLocations(file);
  ASSERT_EQ(drawn.size(), expected.size());
  for (std::size_t index = 0; index < drawn.size(); ++index) {
    EXPECT_EQ(drawn[index].name, expected[index].name);
    EXPECT_FLOAT_EQ(drawn[index].at.X, expected[index].at.X) << drawn[index].name;
    EXPECT_FLOAT_EQ(drawn[index].at.Y, expected[index].at.Y) << drawn[index].name;
    EXPECT_FLOAT_EQ(drawn[index].at.Z, expected[index].at.Z) << drawn[index].name;
  }
  std::ofstream(file) << "{\"Commands\": ";
  EXPECT_TRUE(sim::TeleportLocations(file).empty());
  EXPECT_TRUE(sim::TeleportLocations(root_ / "missing.json").empty());
}

}  // namespace
