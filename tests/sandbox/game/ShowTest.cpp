// The readable views: what a player's report lists and leaves out, a spawned
// creature's labelled stats and saddle armor, and the narrowed dumps.
#include <cmath>
#include <string>
#include <vector>

#include "sandbox/game/Dump.h"
#include "sandbox/game/Show.h"
#include "sandbox/game/World.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class ShowTest : public PluginTest {
 protected:
  void Start(const json& creatures, const json& group = json::object()) {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = {
        {"tools",
         {{"items", {{{"blueprint", "/Game/Items/Tools/Hatchet.Hatchet"}, {"quantity", 3}, {"quality", 2.5}}}}}}};
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = {{"pack", group}};
    WriteConfig(config);
    json world = ThreePlayers();
    world["assets"] = {{"any", true}};
    world["creatures"] = creatures;
    AddWorld(world);
    LoadPlugin();
  }
};

// The line of `report` that holds `text`, or "".
std::string LineWith(const std::string& report, const std::string& text) {
  const std::size_t at = report.find(text);
  if (at == std::string::npos) return "";
  const std::size_t start = report.rfind('\n', at) + 1;
  return report.substr(start, report.find('\n', at) - start);
}

TEST_F(ShowTest, APlayerSeesTheInventoryAndOnlyTheCreaturesTheSurveyWouldCount) {
  Start({{{"nameTag", "Far"}, {"position", {5000, 0, 0}}},
         {{"nameTag", "Edge"}, {"position", {0, 4999, 9000}}, {"team", 2002}, {"health", 250}, {"maxHealth", 1000}},
         {{"nameTag", "Near"}, {"position", {30, 40, 0}}, {"team", 1001}},
         {{"nameTag", "Nowhere"}, {"rootComponent", false}}});
  Console("Alice", "kit tools");
  const std::string report = sim::ShowPlayer(*Player("Alice"));
  EXPECT_EQ(report.rfind("Alice (team 1001) at (0, 0, 0), online", 0), 0u) << report;
  EXPECT_NE(LineWith(report, "Hatchet").find("Hatchet        3     2.5     - no"), std::string::npos) << report;
  EXPECT_NE(report.find("Within 5000 units: 2 creatures"), std::string::npos) << report;
  EXPECT_EQ(report.find("Far"), std::string::npos) << report;
  EXPECT_EQ(report.find("Nowhere"), std::string::npos) << report;
  EXPECT_LT(report.find("Near"), report.find("Edge")) << "nearest first\n" << report;
  EXPECT_NE(LineWith(report, "Edge").find(" 2002 "), std::string::npos) << report;
  EXPECT_NE(LineWith(report, "Edge").find(" 250 of 1000 "), std::string::npos) << report;
  // The columns line up under the header.
  const std::string header = LineWith(report, "name tag");
  EXPECT_EQ(LineWith(report, "Near").find("Near"), header.find("name tag")) << report;
}

TEST_F(ShowTest, ASpawnedCreatureShowsItsStatsByNameAndItsSaddleArmorInUnits) {
  Start(json::array(), {{"blueprint", "/Game/Dinos/Raptor.Raptor"},
                        {"saddleBlueprint", "/Game/Saddles/RaptorSaddle.RaptorSaddle"},
                        {"saddleArmor", 27.5},
                        {"follow", true},
                        {"aggressionLevel", "aggressive"},
                        {"baseLevelWeight", 7},
                        {"tamedLevelMovementSpeed", 3},
                        {"items", {{{"blueprint", "/Game/Items/Meat.Meat"}, {"quantity", 10}}}}});
  Console("Alice", "spawn pack");
  ASSERT_EQ(sim::GetWorld().creatures.size(), 1u);
  const std::string report = sim::ShowCreature(*sim::GetWorld().creatures[0]);
  EXPECT_NE(report.find("class Raptor\n"), std::string::npos) << report;
  EXPECT_NE(report.find("tamed to Alice, taming team 1001, follows Alice"), std::string::npos) << report;
  EXPECT_NE(report.find("place     (1000, 0, 300)"), std::string::npos) << report;
  EXPECT_NE(report.find("behaviour aggressive"), std::string::npos) << report;
  EXPECT_NE(report.find("level     11 = base 8 + extra 3"), std::string::npos) << report;
  // Weight is stat 7, movement speed stat 9; stat 2 has no name.
  EXPECT_NE(LineWith(report, "Weight").find("7 Weight            275  550              7               0"),
            std::string::npos)
      << report;
  EXPECT_NE(LineWith(report, "MovementSpeed").find("              0               3"), std::string::npos) << report;
  EXPECT_NE(report.find("      2                   450  900"), std::string::npos) << report;
  EXPECT_NE(LineWith(report, "RaptorSaddle").find("27.5 yes"), std::string::npos) << report;
  EXPECT_NE(LineWith(report, "Meat").find("10       0     - no"), std::string::npos) << report;
}

TEST_F(ShowTest, SaddleArmorReadsBackBelowTheBaseToo) {
  Start(json::array(), {{"blueprint", "/Game/Dinos/Raptor.Raptor"},
                        {"saddleBlueprint", "/Game/Saddles/RaptorSaddle.RaptorSaddle"},
                        {"saddleArmor", 20}});
  Console("Alice", "spawn pack");
  const sim::Item& saddle = *sim::GetWorld().creatures.at(0)->inventory->items.at(0);
  EXPECT_EQ(saddle.ItemStatValues[1], 64536);
  EXPECT_DOUBLE_EQ(sim::ArmorOf(saddle), 20.0);
}

TEST_F(ShowTest, YawsAreShownWithinAFullTurn) {
  // Five facing inwards are turned by 180, 252, 324, 396 and 468 degrees.
  Start(json::array(), {{"blueprint", "/Game/Dinos/Raptor.Raptor"}, {"count", 5}, {"facing", "inwards"}});
  Console("Alice", "spawn pack");
  const std::vector<sim::Creature*>& creatures = sim::GetWorld().creatures;
  ASSERT_EQ(creatures.size(), 5u);
  EXPECT_FLOAT_EQ(creatures[4]->RootComponent->RelativeRotation.Yaw, 468);
  EXPECT_NE(sim::ShowCreature(*creatures[3]).find(", yaw 36, "), std::string::npos) << sim::ShowCreature(*creatures[3]);
  const std::string report = sim::ShowPlayer(*Player("Alice"));
  const std::string header = LineWith(report, "name tag");
  const std::size_t yaw_end = header.find("yaw") + 3;
  std::vector<std::string> yaws;
  for (const sim::Creature* creature : creatures) {
    const std::string line = LineWith(report, " " + std::to_string(creature->id) + " ");
    const std::size_t start = line.rfind(' ', yaw_end - 1) + 1;
    yaws.push_back(line.substr(start, yaw_end - start));
  }
  EXPECT_EQ(yaws, (std::vector<std::string>{"180", "252", "324", "36", "108"})) << report;

  EXPECT_DOUBLE_EQ(sim::ShownYaw(-90), 270);
  EXPECT_DOUBLE_EQ(sim::ShownYaw(-720.5), 359.5);
  EXPECT_DOUBLE_EQ(sim::ShownYaw(720), 0);
  EXPECT_DOUBLE_EQ(sim::ShownYaw(-0.01), 0) << "359.99 reads as 360.0 at one decimal";
  EXPECT_TRUE(std::isnan(sim::ShownYaw(NAN)));
}

TEST_F(ShowTest, ShortClassNamesOfEveryForm) {
  EXPECT_EQ(sim::ShortClassName("/Game/Items/Rope.Rope_C"), "Rope");
  EXPECT_EQ(sim::ShortClassName("Blueprint'/Game/Dinos/Rex.Rex_Character_BP'"), "Rex_Character_BP");
  EXPECT_EQ(sim::ShortClassName("APrimalDinoCharacter"), "APrimalDinoCharacter");
}

TEST_F(ShowTest, DumpNarrowsToPlayersCreaturesOrOnePlayer) {
  Start({{{"nameTag", "Rex"}}});
  EXPECT_EQ(sim::DumpPart("players"), json({{"players", Dump()["players"]}}));
  EXPECT_EQ(sim::DumpPart("creatures"), json({{"creatures", Dump()["creatures"]}}));
  EXPECT_EQ(sim::DumpPart("Bob"), Dump()["players"][1]);
  EXPECT_TRUE(sim::DumpPart("Nobody").is_null());
  EXPECT_EQ(sim::DumpCommand("Nobody"), "There is no player named \"Nobody\" in this world.\n");
  EXPECT_EQ(sim::ShowCommand("creature 99999", {}), "There is no creature with the id \"99999\".\n");
  EXPECT_EQ(sim::ShowCommand("creature -1", {}), "There is no creature with the id \"-1\".\n");
  const uint64_t rex = sim::GetWorld().creatures[0]->id;
  EXPECT_EQ(
      sim::ShowCommand("creature " + std::to_string(rex), {}).rfind("Creature " + std::to_string(rex) + " \"Rex\"", 0),
      0u);
}

}  // namespace
