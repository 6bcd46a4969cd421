// The map's text side: names that are markup or no text at all, a player far
// from the origin, and the teleport locations read from a config file.
#include <fstream>
#include <string>

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
  const auto file = root_ / "config.json";
  std::ofstream(file) << json({{"Commands",
                                {{"TeleportTo_Console",
                                  {{"Locations",
                                    {{"Camp", {{"x", 10}, {"y", -20.5}}},
                                     {"Text", {{"x", "100"}}},
                                     {"Flag", {{"z", true}}},
                                     {"Huge", {{"x", 1e39}}},
                                     {"Bare", 5},
                                     {"Origin", json::object()}}}}}}}})
                             .dump();
  const auto locations = sim::TeleportLocations(file);
  ASSERT_EQ(locations.size(), 2u);
  EXPECT_EQ(locations[0].name, "Camp");
  EXPECT_FLOAT_EQ(locations[0].at.X, 10);
  EXPECT_FLOAT_EQ(locations[0].at.Y, -20.5);
  EXPECT_EQ(locations[1].name, "Origin");
  std::ofstream(file) << "{\"Commands\": ";
  EXPECT_TRUE(sim::TeleportLocations(file).empty());
  EXPECT_TRUE(sim::TeleportLocations(root_ / "missing.json").empty());
}

}  // namespace
