// Creature groups through the sandbox: placement on the circle, taming to the
// caller's team, levels, saddle armor, stock, imprint, and where a group stops.
#include <cmath>
#include <limits>
#include <set>

#include "orvanel/game/CreatureSpawning.h"
#include "sandbox/game/Recorder.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr uint64_t kAliceSteamId = 76561198000000001ULL;
constexpr const char* kRexReference = "Blueprint'/Game/Test/Rex.Rex'";

class CreatureSpawningTest : public PluginTest {
 protected:
  static json TestWorld() {
    return {{"assets",
             {{"creatures", {kRexReference}},
              {"actors", {"Blueprint'/Game/Test/Crate.Crate'"}},
              {"items", {"/Game/Test/Saddle.Saddle_C", "/Game/Test/Meat.Meat_C", "/Game/Test/Berry.Berry_C"}},
              {"objects", {"/Game/Test/Texture.Texture_C"}}}},
            {"players",
             {{{"name", "Alice"},
               {"steamId", kAliceSteamId},
               {"team", 1001},
               {"position", {100, 200, 50}},
               {"playerName", "Alice the Tamer"},
               {"characterName", "Ally"},
               {"linkedPlayerId", 1001001}}}}};
  }

  // Loads the plugin with these creature templates under the command "spawn".
  void Start(const json& templates) {
    json config = StandardConfig();
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = templates;
    WriteConfig(config);
    AddWorld(TestWorld());
    LoadPlugin();
  }

  // A template of the test creature with `extra` members added.
  static json Rex(json extra = json::object()) {
    json creature = {{"blueprint", "/Game/Test/Rex.Rex"}};
    creature.update(extra);
    return creature;
  }

  json Creatures() const { return Dump()["creatures"]; }

  // The names of the recorded calls since the last ClearRecord that are in `names`, in order.
  static std::vector<std::string> CallSequence(const std::set<std::string>& names, std::size_t from) {
    std::vector<std::string> sequence;
    const auto& calls = sim::Calls();
    for (std::size_t i = from; i < calls.size(); ++i)
      if (names.count(calls[i]["call"].get<std::string>()) != 0) sequence.push_back(calls[i]["call"]);
    return sequence;
  }
};

TEST_F(CreatureSpawningTest, PlacesFourOnTheCircleFacingOutwards) {
  Start({{"ring", Rex({{"count", 4}, {"radius", 1000}, {"facing", "outwards"}})}});
  Console("Alice", "spawn ring");

  const std::vector<json> spawns = CallsOf("AShooterPlayerController.SpawnActor");
  ASSERT_EQ(spawns.size(), 4u);
  const float expected[4][2] = {{1000, 0}, {0, 1000}, {-1000, 0}, {0, -1000}};
  for (std::size_t i = 0; i < 4; ++i) {
    const json& args = spawns[i]["args"];
    EXPECT_EQ(args[1], kRexReference);
    EXPECT_NEAR(args[2].get<float>(), expected[i][0], 1e-3);
    EXPECT_NEAR(args[3].get<float>(), expected[i][1], 1e-3);
    EXPECT_EQ(args[4].get<float>(), 300.0f);
    EXPECT_EQ(args[5], true);
  }
  // Single-precision cosine of the float angle: about -4.37e-5 here, where a
  // double cosine would give 6e-14.
  EXPECT_EQ(spawns[1]["args"][2].get<float>(), 1000.0f * std::cos(static_cast<float>(2.0 * kPi / 4)));

  // Creature 0 gets yaw 0, which is not applied.
  const std::vector<json> turns = CallsOf("AActor.SetActorRotation");
  ASSERT_EQ(turns.size(), 3u);
  EXPECT_EQ(turns[0]["args"][1], json::array({0.0f, 90.0f, 0.0f}));
  EXPECT_EQ(turns[1]["args"][1], json::array({0.0f, 180.0f, 0.0f}));
  EXPECT_EQ(turns[2]["args"][1], json::array({0.0f, 270.0f, 0.0f}));

  const json creatures = Creatures();
  ASSERT_EQ(creatures.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(creatures[i]["position"][0].get<float>(), 100 + expected[i][0], 1e-3);
    EXPECT_NEAR(creatures[i]["position"][1].get<float>(), 200 + expected[i][1], 1e-3);
    EXPECT_EQ(creatures[i]["position"][2].get<float>(), 350.0f);
    EXPECT_EQ(creatures[i]["rotation"], json::array({0.0f, 90.0f * i, 0.0f}));
  }
  EXPECT_TRUE(ChatTo("Alice").empty());
}

TEST_F(CreatureSpawningTest, InwardsAddsHalfATurnToEveryCreature) {
  Start({{"ring", Rex({{"count", 4}, {"radius", 1000}, {"facing", "inwards"}})}});
  Console("Alice", "spawn ring");
  const std::vector<json> turns = CallsOf("AActor.SetActorRotation");
  ASSERT_EQ(turns.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(turns[i]["args"][1][1].get<float>(), 180.0f + 90.0f * i);
  EXPECT_EQ(Creatures().at(3)["rotation"], json::array({0.0f, 450.0f, 0.0f}));
}

TEST_F(CreatureSpawningTest, GroupOfOneStandsOnTheFirstAxis) {
  Start({{"one", Rex({{"radius", 250}})}, {"none", Rex({{"count", 0}})}, {"negative", Rex({{"count", -3}})}});
  Console("Alice", "spawn one");
  const std::vector<json> spawns = CallsOf("AShooterPlayerController.SpawnActor");
  ASSERT_EQ(spawns.size(), 1u);
  EXPECT_EQ(spawns[0]["args"][2].get<float>(), 250.0f);
  EXPECT_EQ(spawns[0]["args"][3].get<float>(), 0.0f);
  EXPECT_EQ(spawns[0]["args"][4].get<float>(), 300.0f);
  EXPECT_TRUE(CallsOf("AActor.SetActorRotation").empty());

  // A count of 0 or less calls nothing at all.
  const std::size_t calls_before = sim::Calls().size();
  Console("Alice", "spawn none");
  Console("Alice", "spawn negative");
  EXPECT_EQ(sim::Calls().size(), calls_before);
  EXPECT_EQ(Creatures().size(), 1u);
  EXPECT_TRUE(ChatTo("Alice").empty());
}

TEST_F(CreatureSpawningTest, TamesToTheCallerAndStartsTheCreatureOnce) {
  Start({{"guard", Rex({{"aggressionLevel", "aggressive"}, {"ignoreAllWhistles", true}})},
         {"pet", Rex({{"follow", true}, {"ignoreAllyLook", true}})}});
  const std::size_t from = sim::Calls().size();
  Console("Alice", "spawn guard");

  const json guard = Creatures().at(0);
  EXPECT_EQ(guard["tamed"], true);
  EXPECT_EQ(guard["team"], 1001);
  EXPECT_EQ(guard["tamingTeam"], 1001);
  EXPECT_EQ(guard["tamerName"], "Alice the Tamer");
  EXPECT_EQ(guard["absoluteBaseLevel"], 1);
  EXPECT_EQ(guard["aggression"], 2);
  EXPECT_EQ(guard["followTarget"], nullptr);
  EXPECT_EQ(guard["ignoreAllWhistles"], true);
  EXPECT_EQ(guard["ignoreAllyLook"], false);
  EXPECT_EQ(guard["beginPlayCount"], 1);
  EXPECT_EQ(guard["initializedMaxStatus"], true);

  // Begin-play runs after taming and only then; the spawn itself was asked not to run it.
  EXPECT_EQ(CallSequence({"AShooterPlayerController.SpawnActor", "AShooterPlayerState.GetPlayerName",
                          "AShooterPlayerState.SetTribeTamingDinoSettings", "APrimalDinoCharacter.TameDino",
                          "APrimalDinoCharacter.BeginPlay",
                          "UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp",
                          "APrimalDinoCharacter.UpdateImprintingQuality"},
                         from),
            (std::vector<std::string>{"AShooterPlayerController.SpawnActor", "AShooterPlayerState.GetPlayerName",
                                      "AShooterPlayerState.SetTribeTamingDinoSettings", "APrimalDinoCharacter.TameDino",
                                      "APrimalDinoCharacter.BeginPlay",
                                      "UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp",
                                      "APrimalDinoCharacter.UpdateImprintingQuality"}));
  const json tame = CallsOf("APrimalDinoCharacter.TameDino").at(0)["args"];
  EXPECT_EQ(tame[0], guard["id"]);
  EXPECT_EQ(tame[2], false);
  EXPECT_EQ(tame[3], 0);

  Console("Alice", "spawn pet");
  const json pet = Creatures().at(1);
  EXPECT_EQ(pet["followTarget"], "Alice");
  EXPECT_EQ(pet["aggression"], 0);
  EXPECT_EQ(pet["ignoreAllWhistles"], false);
  EXPECT_EQ(pet["ignoreAllyLook"], true);
  EXPECT_EQ(pet["beginPlayCount"], 1);
}

TEST_F(CreatureSpawningTest, LevelsGoToTheirStatIndices) {
  Start({{"levelled", Rex({{"baseLevelHealth", 10},
                           {"baseLevelStamina", 1},
                           {"baseLevelOxygen", 2},
                           {"baseLevelFood", 3},
                           {"baseLevelWeight", 4},
                           {"baseLevelMeleeDamage", 5},
                           {"baseLevelMovementSpeed", 6},
                           {"tamedLevelHealth", 7},
                           {"tamedLevelStamina", 8},
                           {"tamedLevelOxygen", 9},
                           {"tamedLevelFood", 10},
                           {"tamedLevelWeight", 11},
                           {"tamedLevelMeleeDamage", 12},
                           {"tamedLevelMovementSpeed", 13}})},
         {"eleven", Rex({{"baseLevelHealth", 10}})},
         {"plain", Rex()},
         {"overflow", Rex({{"baseLevelHealth", 256}, {"tamedLevelHealth", 65541}, {"tamedLevelStamina", 1}})}});
  const json before = Creatures();
  Console("Alice", "spawn levelled");
  const json levelled = Creatures().at(0);
  // Indices 2, 5 and 6 keep the points the creature spawned with.
  EXPECT_EQ(levelled["baseLevelUps"], json::array({10, 1, 4, 2, 3, 3, 2, 4, 5, 6, 0, 0}));
  EXPECT_EQ(levelled["tamedLevelUps"], json::array({7, 8, 1, 9, 10, 1, 1, 11, 12, 13, 0, 0}));
  EXPECT_EQ(levelled["baseLevel"], 32);
  EXPECT_EQ(levelled["extraLevel"], 70);
  // The experience is asked for once the new levels are in place.
  const json experience =
      CallsOf("UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp").at(0)["args"];
  EXPECT_EQ(experience[1], 32);
  EXPECT_EQ(experience[2], 70);
  EXPECT_EQ(levelled["experience"], experience[3]);
  EXPECT_GT(levelled["experience"].get<float>(), 0.0f);
  // Health, stamina, oxygen and food are refilled; the rest keep their values.
  const json max = levelled["maxStatus"];
  const json current = levelled["currentStatus"];
  for (const int stat : {0, 1, 3, 4}) EXPECT_EQ(current[stat], max[stat]) << "stat " << stat;
  for (const int stat : {2, 5, 6, 7, 8, 9}) EXPECT_EQ(current[stat].get<float>(), max[stat].get<float>() / 2);

  Console("Alice", "spawn eleven");
  EXPECT_EQ(Creatures().at(1)["baseLevel"], 11);
  Console("Alice", "spawn plain");
  EXPECT_EQ(Creatures().at(2)["baseLevel"], 1);
  EXPECT_EQ(Creatures().at(2)["extraLevel"], 0);
  EXPECT_EQ(Creatures().at(2)["experience"], 0.0f);

  // Counters keep 8 bits and the tamed sum 16, while the base level counts every point.
  Console("Alice", "spawn overflow");
  const json overflow = Creatures().at(3);
  EXPECT_EQ(overflow["baseLevelUps"][0], 0);
  EXPECT_EQ(overflow["baseLevel"], 257);
  EXPECT_EQ(overflow["tamedLevelUps"][0], 65541 % 256);
  EXPECT_EQ(overflow["extraLevel"], (65541 + 1) % 65536);
}

TEST_F(CreatureSpawningTest, SaddleArmorBecomesItsSecondStatValue) {
  const std::vector<std::pair<double, int>> armors = {{25, 0}, {30, 1000}, {27.5, 500}, {20, 65536 - 1000}, {-1, -1}};
  json templates = json::object();
  for (std::size_t i = 0; i < armors.size(); ++i)
    templates["saddled" + std::to_string(i)] =
        Rex({{"saddleBlueprint", "Blueprint'/Game/Test/Saddle.Saddle'"}, {"saddleArmor", armors[i].first}});
  Start(templates);

  for (std::size_t i = 0; i < armors.size(); ++i) {
    ClearRecord();
    Console("Alice", "spawn saddled" + std::to_string(i));
    const json creature = Creatures().at(i);
    ASSERT_EQ(creature["inventory"].size(), 1u);
    const json saddle = creature["inventory"][0];
    EXPECT_EQ(saddle["class"], "/Game/Test/Saddle.Saddle_C");
    const std::vector<json> created = CallsOf("UPrimalItem.AddNewItem");
    ASSERT_EQ(created.size(), 1u);
    json args = created[0]["args"];
    args.erase(0);  // the class
    args.erase(0);  // the inventory
    EXPECT_EQ(args, json::array({true, false, 0.0f, false, 0, false, 0.0f, false, nullptr}));
    if (armors[i].second < 0) {
      // A negative armor leaves the saddle as the game made it.
      EXPECT_EQ(saddle["statValues"][1], 0);
      EXPECT_EQ(saddle["updatedCount"], 0);
      EXPECT_TRUE(CallsOf("UPrimalItem.UpdatedItem").empty());
    } else {
      EXPECT_EQ(saddle["statValues"][1], armors[i].second) << "armor " << armors[i].first;
      EXPECT_EQ(saddle["updatedCount"], 1);
    }
  }
}

TEST(SaddleArmorStatValueTest, LargeArmorsWrapToTheLow16BitsAndInfiniteOnesGiveZero) {
  // floor((1e10 - 25) / 5 * 1000) = 1999999995000, beyond the 32-bit range.
  EXPECT_EQ(SaddleArmorStatValue(1e10f), 1999999995000 % 65536);
  EXPECT_EQ(SaddleArmorStatValue(std::numeric_limits<float>::max()), 0);
  EXPECT_EQ(SaddleArmorStatValue(std::numeric_limits<float>::infinity()), 0);
  EXPECT_EQ(SaddleArmorStatValue(-std::numeric_limits<float>::infinity()), 0);
}

TEST_F(CreatureSpawningTest, ItemsStockTheInventoryWithOrWithoutASaddle) {
  const json items = {{{"blueprint", "/Game/Test/Meat.Meat"}, {"quantity", 5}, {"count", 2}},
                      {{"blueprint", "/Game/Test/Texture.Texture"}},
                      {{"blueprint", "/Game/Test/Missing.Missing"}},
                      {{"blueprint", "/Game/Test/Berry.Berry_C"}, {"count", 0}},
                      {{"blueprint", "/Game/Test/Berry.Berry_C"}}};
  Start({{"stocked", Rex({{"items", items}})},
         {"oddsaddle", Rex({{"saddleBlueprint", "/Game/Test/Texture.Texture"}, {"items", items}})},
         {"lostsaddle", Rex({{"saddleBlueprint", "/Game/Test/Missing.Missing"}, {"items", items}})}});
  Console("Alice", "spawn stocked");
  // Every entry is loaded once; a path that loads no class never reaches item creation.
  EXPECT_EQ(CallsOf("Global.StaticLoadObject").size(), 5u);
  const std::vector<json> created = CallsOf("UPrimalItem.AddNewItem");
  ASSERT_EQ(created.size(), 3u);
  for (const json& call : created) {
    EXPECT_EQ(call["args"][2], false);
    EXPECT_EQ(call["args"][4], 0.0f);
  }
  const json inventory = Creatures().at(0)["inventory"];
  ASSERT_EQ(inventory.size(), 3u);
  EXPECT_EQ(inventory[0]["class"], "/Game/Test/Meat.Meat_C");
  EXPECT_EQ(inventory[0]["quantity"], 5);
  EXPECT_EQ(inventory[1]["class"], "/Game/Test/Meat.Meat_C");
  EXPECT_EQ(inventory[2]["class"], "/Game/Test/Berry.Berry_C");
  EXPECT_EQ(inventory[2]["quantity"], 1);
  EXPECT_EQ(inventory[2]["quality"], 0.0f);

  // A saddle path that loads something other than a class, or nothing, gives
  // no saddle; the items come all the same.
  Console("Alice", "spawn oddsaddle");
  Console("Alice", "spawn lostsaddle");
  for (std::size_t i = 1; i < 3; ++i) {
    const json stock = Creatures().at(i)["inventory"];
    ASSERT_EQ(stock.size(), inventory.size());
    for (std::size_t item = 0; item < stock.size(); ++item) {
      EXPECT_EQ(stock[item]["class"], inventory[item]["class"]);
      EXPECT_EQ(stock[item]["quantity"], inventory[item]["quantity"]);
    }
  }
}

TEST_F(CreatureSpawningTest, ImprintRecordsTheImprinterOnlyAboveZero) {
  Start({{"half", Rex({{"imprint", 0.5}})}, {"over", Rex({{"imprint", 3}})}, {"zero", Rex({{"imprint", 0}})}});
  Console("Alice", "spawn half");
  json creature = Creatures().at(0);
  EXPECT_EQ(creature["imprintQuality"], 0.5f);
  EXPECT_EQ(creature["imprinterName"], "Ally");
  EXPECT_EQ(creature["imprinterId"], 1001001);
  const json details = CallsOf("APrimalDinoCharacter.UpdateImprintingDetails").at(0)["args"];
  EXPECT_EQ(details, json::array({creature["id"], "Ally", 1001001}));

  Console("Alice", "spawn over");
  EXPECT_EQ(Creatures().at(1)["imprintQuality"], 1.0f);

  ClearRecord();
  Console("Alice", "spawn zero");
  creature = Creatures().at(2);
  EXPECT_EQ(creature["imprintQuality"], 0.0f);
  EXPECT_EQ(creature["imprinterName"], "");
  EXPECT_TRUE(CallsOf("APrimalDinoCharacter.UpdateImprintingDetails").empty());
  EXPECT_TRUE(CallsOf("AShooterPlayerController.GetPlayerCharacterName").empty());
  const std::vector<json> quality = CallsOf("APrimalDinoCharacter.UpdateImprintingQuality");
  ASSERT_EQ(quality.size(), 1u);
  EXPECT_EQ(quality[0]["args"][1], 0.0f);
}

TEST_F(CreatureSpawningTest, AnOfflinePlayerGetsNothing) {
  Start({{"ring", Rex({{"count", 4}})}});
  Player("Alice")->online = false;
  Console("Alice", "spawn ring");
  EXPECT_TRUE(CallsOf("AShooterPlayerController.SpawnActor").empty());
  EXPECT_TRUE(Creatures().empty());
  EXPECT_TRUE(ChatTo("Alice").empty());
}

TEST_F(CreatureSpawningTest, AGroupStopsAtTheFirstSpawnThatIsNoCreature) {
  Start({{"crates", {{"blueprint", "/Game/Test/Crate.Crate"}, {"count", 3}}},
         {"ghosts", {{"blueprint", "/Game/Test/Ghost.Ghost"}, {"count", 3}}}});
  Console("Alice", "spawn crates");
  EXPECT_EQ(CallsOf("AShooterPlayerController.SpawnActor").size(), 1u);
  EXPECT_TRUE(CallsOf("APrimalDinoCharacter.TameDino").empty());
  const json world = Dump();
  EXPECT_TRUE(world["creatures"].empty());
  // The actor that is not a creature stays where it was put.
  ASSERT_EQ(world["actors"].size(), 1u);
  EXPECT_EQ(world["actors"][0]["position"], json::array({1100.0f, 200.0f, 350.0f}));

  ClearRecord();
  Console("Alice", "spawn ghosts");
  EXPECT_EQ(CallsOf("AShooterPlayerController.SpawnActor").size(), 1u);
  EXPECT_TRUE(Creatures().empty());
  EXPECT_TRUE(ChatTo("Alice").empty());
}

// Values no template can hold: NaN turns nothing, keeps the saddle's armor and
// imprints nothing; an empty blueprint spawns nothing.
TEST_F(CreatureSpawningTest, NaNAndEmptyRequests) {
  AddWorld(TestWorld());
  const float nan = std::numeric_limits<float>::quiet_NaN();
  CreatureSpawnRequest request;
  request.steamId = kAliceSteamId;
  request.saddleBlueprint = "/Game/Test/Saddle.Saddle";
  request.saddleArmor = nan;
  request.imprint = nan;
  request.yaw = nan;
  EXPECT_FALSE(SpawnTamedCreature(request));
  EXPECT_TRUE(CallsOf("AShooterPlayerController.SpawnActor").empty());

  request.blueprint = "/Game/Test/Rex.Rex";
  EXPECT_TRUE(SpawnTamedCreature(request));
  EXPECT_TRUE(CallsOf("AActor.SetActorRotation").empty());
  EXPECT_TRUE(CallsOf("UPrimalItem.UpdatedItem").empty());
  EXPECT_TRUE(CallsOf("APrimalDinoCharacter.UpdateImprintingDetails").empty());
  const json creature = Creatures().at(0);
  EXPECT_EQ(creature["inventory"][0]["statValues"][1], 0);
  EXPECT_EQ(creature["imprintQuality"], 0.0f);
  // A request's own default: passive.
  EXPECT_EQ(creature["aggression"], 0);

  request.yaw = -90.0f;
  EXPECT_TRUE(SpawnTamedCreature(request));
  EXPECT_TRUE(CallsOf("AActor.SetActorRotation").empty());
}

// The tally names a path that loads or spawns nothing as it was asked of the
// game, and a path with no core, which is asked as nothing, as it was written.
TEST_F(CreatureSpawningTest, PathsThatLoadNothingAreNamedAsAskedOrAsWritten) {
  AddWorld(TestWorld());
  CreatureSpawnRequest request;
  request.steamId = kAliceSteamId;
  request.blueprint = "/Game/Test/Rex.Rex";
  request.saddleBlueprint = "/Game/Test/Gone.Gone";
  request.items = {ItemEntry{"/Game/Test/Meat\n.Meat", {}, 1, 1, 0.0f}};
  GrantTally tally;
  SpawnCreatureGroup(request, 1, 0.0f, kFacingForward, &tally);
  EXPECT_EQ(tally.made, 1);
  EXPECT_EQ(tally.unloaded, (std::set<std::string>{"/Game/Test/Gone.Gone_C", "/Game/Test/Meat\n.Meat"}));

  GrantTally ghosts;
  request.blueprint = "/Game/Test/Ghost.Ghost";
  SpawnCreatureGroup(request, 1, 0.0f, kFacingForward, &ghosts);
  EXPECT_EQ(ghosts.unloaded, std::set<std::string>{"Blueprint'/Game/Test/Ghost.Ghost'"});

  GrantTally coreless;
  request.blueprint = "/Game/Test/Rex\r.Rex";
  SpawnCreatureGroup(request, 1, 0.0f, kFacingForward, &coreless);
  EXPECT_EQ(coreless.made, 0);
  EXPECT_EQ(coreless.unloaded, std::set<std::string>{"/Game/Test/Rex\r.Rex"});
}

}  // namespace
