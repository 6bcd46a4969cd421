// A world whose catalogue lets any asset load: kits and creature groups with
// paths in every pasted form give and spawn, paths that are not well formed
// still load nothing, and catalogued objects and actors keep their meaning.
#include <string>
#include <vector>

#include "sandbox/game/World.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class AnyAssetsTest : public PluginTest {
 protected:
  void Start(const json& assets, const json& kit, const json& groups) {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = {{"kit", {{"items", kit}}}};
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = groups;
    WriteConfig(config);
    json world = ThreePlayers();
    world["assets"] = assets;
    AddWorld(world);
    LoadPlugin();
  }

  std::vector<std::string> AliceItemClasses() {
    const json world = Dump();
    std::vector<std::string> classes;
    for (const json& item : world["players"][0]["inventory"]) classes.push_back(item["class"]);
    return classes;
  }

  std::vector<std::string> CreatureClasses() {
    const json world = Dump();
    std::vector<std::string> classes;
    for (const json& creature : world["creatures"]) classes.push_back(creature["class"]);
    return classes;
  }
};

json Items(const std::vector<std::string>& paths) {
  json items = json::array();
  for (const std::string& path : paths) items.push_back({{"blueprint", path}, {"quantity", 1}});
  return items;
}

TEST_F(AnyAssetsTest, EveryPastedFormOfAnUnlistedPathGivesAnItemNamedByItsClassPath) {
  Start({{"any", true}},
        Items({"Blueprint'/Game/Items/Rope.Rope'", "/Game/Items/Rope.Rope", "/Game/Mods/X/Gem.Gem_C",
               "Blueprint'/Game/Mods/X/Gem.Gem_C'"}),
        json::object());
  Console("Alice", "kit kit");
  EXPECT_EQ(AliceItemClasses(), (std::vector<std::string>{"/Game/Items/Rope.Rope_C", "/Game/Items/Rope.Rope_C",
                                                          "/Game/Mods/X/Gem.Gem_C", "/Game/Mods/X/Gem.Gem_C"}));
  // One class per path, made once.
  EXPECT_EQ(sim::GetWorld().itemClasses.size(), 2u);
}

TEST_F(AnyAssetsTest, PathsThatAreNotWellFormedAndListedObjectsStillGiveNothing) {
  Start({{"any", true}, {"objects", {"/Game/Items/Table.Table_C"}}},
        Items({"Game/Items/Rope.Rope", "/Game/Items/Rope", "blueprint'/Game/Items/Rope.Rope'", "/Game/Items/Rope.",
               "/Game/My Items/Rope.Rope", "", "/Game/Items/Table.Table", "/Game/Items/Torch.Torch"}),
        json::object());
  Console("Alice", "kit kit");
  EXPECT_EQ(AliceItemClasses(), (std::vector<std::string>{"/Game/Items/Torch.Torch_C"}));
}

TEST_F(AnyAssetsTest, AnUnlistedCreatureSpawnsWithItsSaddleAndAListedActorKeepsItsMeaning) {
  const std::string crate = "Blueprint'/Game/Props/Crate.Crate'";
  Start({{"any", true}, {"actors", {crate}}}, json::array(),
        {{"wolves",
          {{"blueprint", "/Game/Mods/Wolf/Wolf_BP.Wolf_BP_C"},
           {"count", 2},
           {"saddleBlueprint", "/Game/Mods/Wolf/WolfSaddle.WolfSaddle"},
           {"saddleArmor", 30}}},
         {"crates", {{"blueprint", "/Game/Props/Crate.Crate"}, {"count", 2}}},
         {"broken", {{"blueprint", "Wolf_BP"}}}});
  Console("Alice", "spawn wolves");
  Console("Alice", "spawn crates");
  Console("Alice", "spawn broken");
  EXPECT_EQ(CreatureClasses(), (std::vector<std::string>{"Blueprint'/Game/Mods/Wolf/Wolf_BP.Wolf_BP'",
                                                         "Blueprint'/Game/Mods/Wolf/Wolf_BP.Wolf_BP'"}));
  const json wolf = Dump()["creatures"][0];
  EXPECT_TRUE(wolf["tamed"]);
  ASSERT_EQ(wolf["inventory"].size(), 1u);
  EXPECT_EQ(wolf["inventory"][0]["class"], "/Game/Mods/Wolf/WolfSaddle.WolfSaddle_C");
  EXPECT_EQ(wolf["inventory"][0]["statValues"][1], 1000);
  // The crate is an actor, not a creature: the group stops at the first one.
  EXPECT_EQ(Dump()["actors"].size(), 1u);
}

TEST_F(AnyAssetsTest, WithoutItOnlyListedAssetsLoad) {
  Start({{"any", false}, {"items", {"/Game/Items/Rope.Rope_C"}}},
        Items({"/Game/Items/Rope.Rope", "/Game/Items/Gem.Gem"}),
        {{"wolf", {{"blueprint", "/Game/Mods/Wolf/Wolf_BP.Wolf_BP"}}}});
  Console("Alice", "kit kit");
  Console("Alice", "spawn wolf");
  EXPECT_EQ(AliceItemClasses(), (std::vector<std::string>{"/Game/Items/Rope.Rope_C"}));
  EXPECT_TRUE(CreatureClasses().empty());
}

TEST_F(AnyAssetsTest, AWorldFileWhoseAnyIsNotABooleanIsRefused) {
  json world = ThreePlayers();
  world["assets"] = {{"any", "yes"}};
  try {
    AddWorld(world);
    FAIL() << "the world file was accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("\"any\""), std::string::npos) << error.what();
  }
}

}  // namespace
