// The spawn template command as a player types it: which template is found,
// how its words and numbers are read, and which templates are refused.
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

constexpr const char* kFailed = "Failed to read template...";

class SpawnTemplateTest : public PluginTest {
 protected:
  static json TestWorld() {
    json world = ThreePlayers();
    world["assets"] = {{"creatures", {"Blueprint'/Game/Test/Rex.Rex'"}},
                       {"items", {"/Game/Test/Meat.Meat_C", "/Game/Test/Saddle.Saddle_C"}}};
    return world;
  }

  void StartWithEntry(const json& entry) {
    json config = StandardConfig();
    config["Commands"]["SpawnTemplate_Console"] = entry;
    WriteConfig(config);
    AddWorld(TestWorld());
    LoadPlugin();
  }

  void Start(const json& templates) { StartWithEntry({{"Command", "spawn"}, {"Templates", templates}}); }

  static json Rex(json extra = json::object()) {
    json creature = {{"blueprint", "/Game/Test/Rex.Rex"}};
    creature.update(extra);
    return creature;
  }

  json Creatures() const { return Dump()["creatures"]; }
  std::size_t Spawns() const { return CallsOf("AShooterPlayerController.SpawnActor").size(); }
};

TEST_F(SpawnTemplateTest, OnlyTheSecondWordNamesTheTemplate) {
  Start({{"rex", Rex()}, {"my rex", Rex()}});
  Console("Alice", "spawn");
  Console("Alice", "spawn   ");
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_EQ(Spawns(), 0u);

  Console("Alice", "spawn Rex");
  Console("Alice", "spawn nope");
  Console("Alice", "spawn my rex");
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{kMissingEntryReply, kMissingEntryReply, kMissingEntryReply}));
  EXPECT_EQ(EventsOf("chat").at(0)["sender"], "[system]");
  EXPECT_EQ(Spawns(), 0u);

  // Further words are ignored, and success answers nothing.
  ClearRecord();
  Console("Alice", "spawn  rex and more");
  EXPECT_EQ(Spawns(), 1u);
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_EQ(Creatures().at(0)["tamerName"], "Alice");
}

TEST_F(SpawnTemplateTest, NoTemplatesObjectMeansNoTemplate) {
  StartWithEntry({{"Command", "spawn"}});
  Console("Bob", "spawn rex");
  EXPECT_EQ(ChatTo("Bob"), std::vector<std::string>{kMissingEntryReply});
}

TEST_F(SpawnTemplateTest, TemplatesThatAreNotAnObjectHoldNothing) {
  StartWithEntry({{"Command", "spawn"}, {"Templates", json::array({Rex()})}});
  Console("Bob", "spawn 0");
  EXPECT_EQ(ChatTo("Bob"), std::vector<std::string>{kMissingEntryReply});
}

TEST_F(SpawnTemplateTest, WordsMatchWithoutRegardToCase) {
  Start({{"aggressive", Rex({{"aggressionLevel", "AGGRESSIVE"}})},
         {"neutral", Rex({{"aggressionLevel", "Neutral"}})},
         {"attack", Rex({{"aggressionLevel", "attackMyTarget"}})},
         {"spaced", Rex({{"aggressionLevel", "neutral "}})},
         {"outwards", Rex({{"facing", "OutWards"}, {"count", 2}})},
         {"inwards", Rex({{"facing", "INWARDS"}})},
         {"short", Rex({{"facing", "outward"}, {"count", 2}})}});
  for (const char* name : {"aggressive", "neutral", "attack", "spaced"}) Console("Alice", std::string("spawn ") + name);
  const json creatures = Creatures();
  ASSERT_EQ(creatures.size(), 4u);
  EXPECT_EQ(creatures[0]["aggression"], 2);
  EXPECT_EQ(creatures[1]["aggression"], 1);
  EXPECT_EQ(creatures[2]["aggression"], 3);
  EXPECT_EQ(creatures[3]["aggression"], 0);  // a trailing space makes it passive

  Console("Alice", "spawn outwards");
  ASSERT_EQ(CallsOf("AActor.SetActorRotation").size(), 1u);
  EXPECT_EQ(CallsOf("AActor.SetActorRotation").at(0)["args"][1][1], 180.0f);
  ClearRecord();
  Console("Alice", "spawn inwards");
  ASSERT_EQ(CallsOf("AActor.SetActorRotation").size(), 1u);
  EXPECT_EQ(CallsOf("AActor.SetActorRotation").at(0)["args"][1][1], 180.0f);
  ClearRecord();
  Console("Alice", "spawn short");
  EXPECT_EQ(Spawns(), 2u);
  EXPECT_TRUE(CallsOf("AActor.SetActorRotation").empty());
}

TEST_F(SpawnTemplateTest, IntegersAcceptFractionsAndBooleans) {
  Start({{"fraction", Rex({{"count", 2.9}, {"baseLevelHealth", 10.7}, {"tamedLevelFood", -2.5}})},
         {"yes", Rex({{"count", true}, {"baseLevelStamina", true}})},
         {"no", Rex({{"count", false}})},
         {"huge", Rex({{"count", 1e30}})},
         {"stock", Rex({{"items",
                         {{{"blueprint", "/Game/Test/Meat.Meat"},
                           {"quantity", true},
                           {"count", 2.5},
                           {"quality", 9},
                           {"blueprints", {"/Game/Test/Saddle.Saddle"}}}}}})}});
  Console("Alice", "spawn fraction");
  ASSERT_EQ(Creatures().size(), 2u);
  EXPECT_EQ(Creatures().at(0)["baseLevel"], 11);
  EXPECT_EQ(Creatures().at(0)["tamedLevelUps"][4], 254);  // -2, kept to 8 bits
  ClearRecord();
  Console("Alice", "spawn yes");
  EXPECT_EQ(Spawns(), 1u);
  EXPECT_EQ(Creatures().at(2)["baseLevelUps"][1], 1);
  ClearRecord();
  Console("Alice", "spawn no");
  EXPECT_EQ(Spawns(), 0u);
  EXPECT_TRUE(ChatTo("Alice").empty());
  // A fraction no 32-bit integer can hold is a read error, not a wrapped count.
  Console("Alice", "spawn huge");
  EXPECT_EQ(Spawns(), 0u);
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Failed to read template..."});
  ClearRecord();

  // Only "blueprint", "quantity" and "count" of an item entry count; items have quality 0.
  Console("Alice", "spawn stock");
  const json inventory = Creatures().at(3)["inventory"];
  ASSERT_EQ(inventory.size(), 2u);
  for (const json& item : inventory) {
    EXPECT_EQ(item["class"], "/Game/Test/Meat.Meat_C");
    EXPECT_EQ(item["quantity"], 1);
    EXPECT_EQ(item["quality"], 0.0f);
  }
}

TEST_F(SpawnTemplateTest, DefaultsAndNullItems) {
  Start(
      {{"bare", Rex({{"items", nullptr}})},
       {"numbers",
        Rex({{"radius", 500}, {"imprint", 1}, {"saddleArmor", 30}, {"saddleBlueprint", "/Game/Test/Saddle.Saddle"}})}});
  Console("Alice", "spawn bare");
  const json spawn = CallsOf("AShooterPlayerController.SpawnActor").at(0)["args"];
  EXPECT_EQ(spawn[2], 1000.0f);  // radius 1000
  const json bare = Creatures().at(0);
  EXPECT_TRUE(bare["inventory"].empty());
  EXPECT_EQ(bare["aggression"], 0);
  EXPECT_EQ(bare["followTarget"], nullptr);
  EXPECT_EQ(bare["imprintQuality"], 0.0f);
  EXPECT_EQ(bare["baseLevel"], 1);
  EXPECT_TRUE(ChatTo("Alice").empty());

  ClearRecord();
  Console("Alice", "spawn numbers");
  EXPECT_EQ(CallsOf("AShooterPlayerController.SpawnActor").at(0)["args"][2], 500.0f);
  EXPECT_EQ(Creatures().at(1)["imprintQuality"], 1.0f);
  EXPECT_EQ(Creatures().at(1)["inventory"][0]["statValues"][1], 1000);
}

TEST_F(SpawnTemplateTest, ATemplateOfTheWrongShapeSpawnsNothing) {
  const json bad = {
      {"radiusText", Rex({{"radius", "500"}})},
      {"itemText", Rex({{"items", {"/Game/Test/Meat.Meat"}}})},
      {"itemList", Rex({{"items", {{{"blueprints", {"/Game/Test/Meat.Meat"}}}}}})},
      {"lateFault", Rex({{"items",
                          {{{"blueprint", "/Game/Test/Meat.Meat"}},
                           {{"blueprint", "/Game/Test/Meat.Meat"}},
                           {{"blueprint", "/Game/Test/Meat.Meat"}, {"quantity", "5"}}}}})},
      {"itemNumber", Rex({{"items", 5}})},
      {"armorFlag", Rex({{"saddleArmor", true}})},
      {"imprintText", Rex({{"imprint", "1"}})},
      {"followNumber", Rex({{"follow", 1}})},
      {"levelText", Rex({{"baseLevelHealth", "10"}})},
      {"countNull", Rex({{"count", nullptr}})},
      {"text", "/Game/Test/Rex.Rex"},
      {"noBlueprint", {{"count", 2}}},
      {"numberBlueprint", {{"blueprint", 5}}},
      {"nullSaddle", Rex({{"saddleBlueprint", nullptr}})},
      {"listAggression", Rex({{"aggressionLevel", json::array()}})},
      {"numberFacing", Rex({{"facing", 1}})},
  };
  Start(bad);
  for (auto entry = bad.begin(); entry != bad.end(); ++entry) {
    ClearRecord();
    Console("Carol", "spawn " + entry.key());
    EXPECT_EQ(ChatTo("Carol"), std::vector<std::string>{kFailed}) << entry.key();
    EXPECT_EQ(Spawns(), 0u) << entry.key();
    EXPECT_TRUE(EventsOf("handler-error").empty());
  }
  EXPECT_TRUE(Creatures().empty());
}

}  // namespace
