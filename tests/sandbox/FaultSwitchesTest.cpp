// The world file's fault switches, each met by the plugin as a game that says
// no would be: no world, an empty actor list, item creation and spawning that
// make nothing, an allocator out of memory. The commands answer nothing, leave
// nothing behind and go on.
#include <string>
#include <vector>

#include "support/PluginTest.h"

using nlohmann::json;

namespace {

const char* const kRex = "Blueprint'/Game/Test/Rex.Rex'";
const char* const kMeat = "/Game/Test/Meat.Meat_C";
const char* const kSaddle = "/Game/Test/Saddle.Saddle_C";

class FaultSwitchesTest : public PluginTest {
 protected:
  // Three players, a wounded Rex beside Alice, and one kit and one group that
  // use both item classes.
  void Start(const json& faults) {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = {
        {"food", {{"items", {{{"blueprint", kSaddle}}, {{"blueprint", kMeat}, {"count", 2}}}}}}};
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = {
        {"pack",
         {{"blueprint", "/Game/Test/Rex.Rex"},
          {"count", 3},
          {"saddleBlueprint", "/Game/Test/Saddle.Saddle"},
          {"items", {{{"blueprint", "/Game/Test/Meat.Meat"}}}}}}};
    WriteConfig(config);
    json world = ThreePlayers();
    world["assets"] = {{"creatures", {kRex}}, {"items", {kMeat, kSaddle}}};
    world["creatures"] = {{{"nameTag", "Rex"}, {"team", 1001}, {"health", 500}}};
    world.update(faults);
    AddWorld(world);
    LoadPlugin();
    ClearRecord();
  }

  std::vector<std::string> InventoryOf(const json& owner) const {
    std::vector<std::string> classes;
    for (const json& item : owner["inventory"]) classes.push_back(item["class"]);
    return classes;
  }

  void ExpectNoSurvey() {
    Chat("Alice", "/health");
    Console("Alice", "health");
    EXPECT_TRUE(EventsOf("chat").empty());
    EXPECT_TRUE(EventsOf("notification").empty());
    EXPECT_TRUE(EventsOf("handler-error").empty());
  }
};

TEST_F(FaultSwitchesTest, WithoutAGameWorldTheSurveyAsksNothingAndAnswersNothing) {
  Start({{"noGameWorld", true}});
  ExpectNoSurvey();
  EXPECT_TRUE(CallsOf("UGameplayStatics.GetAllActorsOfClass").empty());
}

TEST_F(FaultSwitchesTest, AnEmptyActorListGivesAnEmptySurvey) {
  Start({{"actorListEmpty", true}});
  ExpectNoSurvey();
  EXPECT_EQ(CallsOf("UGameplayStatics.GetAllActorsOfClass").size(), 2u);
  EXPECT_TRUE(CallsOf("USceneComponent.GetCustomLocation").empty());
}

TEST_F(FaultSwitchesTest, ItemsThatAreNotMadeAreSkippedAndTheRestGiven) {
  Start({{"itemCreationFails", {kSaddle}}});
  Console("Alice", "kit food");
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_EQ(CallsOf("UPrimalItem.AddNewItem").size(), 3u);
  EXPECT_EQ(InventoryOf(Dump()["players"][0]), (std::vector<std::string>{kMeat, kMeat}));
}

TEST_F(FaultSwitchesTest, ACreatureWhoseSaddleIsNotMadeKeepsItsOtherItems) {
  Start({{"itemCreationFails", {kSaddle}}});
  Console("Alice", "spawn pack");
  const json creatures = Dump()["creatures"];
  ASSERT_EQ(creatures.size(), 4u);
  for (std::size_t i = 1; i < creatures.size(); ++i) {
    EXPECT_TRUE(creatures[i]["tamed"]);
    EXPECT_EQ(InventoryOf(creatures[i]), std::vector<std::string>{kMeat});
  }
  EXPECT_TRUE(CallsOf("UPrimalItem.UpdatedItem").empty());
}

TEST_F(FaultSwitchesTest, WhenNoItemIsMadeAtAllNothingIsGivenAndNothingAnswered) {
  Start({{"itemCreationFails", true}});
  Console("Alice", "kit food");
  Console("Alice", "spawn pack");
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_TRUE(InventoryOf(Dump()["players"][0]).empty());
  EXPECT_EQ(CallsOf("UPrimalItem.AddNewItem").size(), 3u + 3u * 2u);
  EXPECT_TRUE(CallsOf("UPrimalItem.UpdatedItem").empty());
}

TEST_F(FaultSwitchesTest, AGroupStopsAtTheFirstCreatureThatIsNotSpawned) {
  Start({{"spawnFails", true}});
  Console("Alice", "spawn pack");
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_EQ(CallsOf("AShooterPlayerController.SpawnActor").size(), 1u);
  EXPECT_TRUE(CallsOf("APrimalDinoCharacter.TameDino").empty());
  EXPECT_EQ(Dump()["creatures"].size(), 1u);
}

TEST_F(FaultSwitchesTest, ACommandTheGameHasNoMemoryForFailsAndTheServerGoesOn) {
  // 44 bytes hold the reload reply and its terminator, not an item's class path.
  Start({{"allocationLimit", 44}});
  ExpectHostLog("error", "The command ItemTemplate_Console failed: std::bad_alloc");
  Console("Alice", "kit food");
  EXPECT_EQ(CommandFailures(), std::vector<std::string>{"std::bad_alloc"});
  EXPECT_TRUE(CallsOf("UPrimalItem.AddNewItem").empty());
  EXPECT_TRUE(InventoryOf(Dump()["players"][0]).empty());
  Console("Alice", "reload");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Test config reloaded!"});
}

// "destroyFails" is exercised by the command that destroys: tests/commands/DespawnTest.cpp.

TEST_F(FaultSwitchesTest, SwitchesOfTheWrongTypeMakeTheWorldFileUnusable) {
  for (const json& faults : {json{{"spawnFails", 1}}, json{{"noGameWorld", "yes"}}, json{{"itemCreationFails", 2}},
                             json{{"itemCreationFails", {1}}}, json{{"allocationLimit", -1}},
                             json{{"allocationLimit", "64"}}, json{{"destroyFails", "yes"}}})
    EXPECT_THROW(AddWorld(faults), std::runtime_error) << faults.dump();
}

}  // namespace
