// The despawn command end to end: the caller's last group or all of their
// groups found again by the game's creature ids, what is skipped (died,
// removed, tamed away, another caller's), and what a reload, an unload, a
// missing game member and a refusing game do to it.
#include <algorithm>
#include <cstddef>

#include "orvanel/game/SpawnedCreatures.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class DespawnTest : public PluginTest {
 protected:
  static json TestWorld(json extra = json::object()) {
    json world = ThreePlayers();
    world["assets"] = {{"creatures", {"Blueprint'/Game/Test/Rex.Rex'"}}};
    // A wild creature of Alice's team that no one spawned.
    world["creatures"] = {{{"nameTag", "Wild"}, {"team", 1001}, {"position", {10, 0, 0}}, {"health", 100}}};
    world.update(extra);
    return world;
  }

  static json Config(bool with_despawn = true) {
    json config = StandardConfig();
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = {
        {"pair", {{"blueprint", "/Game/Test/Rex.Rex"}, {"count", 2}}},
        {"four", {{"blueprint", "/Game/Test/Rex.Rex"}, {"count", 4}}}};
    if (!with_despawn) config["Commands"].erase("Despawn_Console");
    return config;
  }

  void Start(json world = TestWorld(), bool with_despawn = true) {
    WriteConfig(Config(with_despawn));
    AddWorld(world);
    LoadPlugin();
  }

  static std::size_t Creatures() { return sim::GetWorld().creatures.size(); }
  // The creatures spawned last, newest last.
  static std::vector<sim::Creature*> Newest(std::size_t count) {
    const std::vector<sim::Creature*>& all = sim::GetWorld().creatures;
    return {all.end() - static_cast<std::ptrdiff_t>(count), all.end()};
  }
};

TEST_F(DespawnTest, RemovesTheLastGroupThenNothingAndAllRemovesEveryGroup) {
  Start();
  Console("Alice", "spawn pair");
  Console("Alice", "spawn four");
  Console("Bob", "spawn pair");
  ASSERT_EQ(Creatures(), 9u);
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 4 creatures."});
  EXPECT_EQ(Creatures(), 5u);
  EXPECT_EQ(CallsOf("AActor.Destroy").size(), 4u);
  // The last group is gone: the one before it is not taken in its place.
  ClearRecord();
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 0 creatures."});
  EXPECT_EQ(Creatures(), 5u);
  ClearRecord();
  Console("Alice", "despawn all");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 2 creatures."});
  // Bob's pair and the wild creature stay.
  EXPECT_EQ(Creatures(), 3u);
  EXPECT_EQ(Dump()["creatures"].size(), 3u);
  ClearRecord();
  Console("Bob", "despawn all");
  EXPECT_EQ(ChatTo("Bob"), std::vector<std::string>{"Removed 2 creatures."});
  EXPECT_EQ(Creatures(), 1u);
  ClearRecord();
  Console("Alice", "despawn everything");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Usage: despawn, or despawn all."});
}

TEST_F(DespawnTest, SkipsCreaturesThatDiedWereRemovedOrWereTamedAway) {
  Start();
  Console("Alice", "spawn four");
  std::vector<sim::Creature*> four = Newest(4);
  four[0]->status->CurrentStatusValues[0] = 0;  // died
  four[1]->TargetingTeam = 2002;                // tamed away to Carol's team
  sim::World& world = sim::GetWorld();
  // Removed by someone else, as "AActor.Destroy" removes one.
  four[2]->TamerString = FString();
  std::erase(world.creatures, four[2]);
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 1 creature."});
  ASSERT_EQ(CallsOf("AActor.Destroy").size(), 1u);
  EXPECT_TRUE(four[3]->destroyed);
  EXPECT_FALSE(four[0]->destroyed || four[1]->destroyed);
}

TEST_F(DespawnTest, ACreatureIsKnownByBothItsIdsNotByWhereItLives) {
  Start();
  Console("Alice", "spawn pair");
  std::vector<sim::Creature*> pair = Newest(2);
  // The game gives a spawned creature's ids to another creature: the one that
  // carries them is the one removed.
  sim::Creature* wild = sim::GetWorld().creatures.front();
  std::swap(pair[0]->DinoID1, wild->DinoID1);
  std::swap(pair[0]->DinoID2, wild->DinoID2);
  // Now holding the wild creature's ids, it shares the first half of an id,
  // and comes first in the game's list.
  pair[0]->DinoID1 = pair[1]->DinoID1;
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 2 creatures."});
  EXPECT_TRUE(wild->destroyed);
  EXPECT_TRUE(pair[1]->destroyed);
  EXPECT_FALSE(pair[0]->destroyed);
}

TEST_F(DespawnTest, AReloadKeepsWhatWasSpawnedAndAnUnloadForgetsIt) {
  Start();
  Console("Alice", "spawn pair");
  Console("Alice", "reload");
  ClearRecord();
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 2 creatures."});
  Console("Alice", "spawn four");
  UnloadPlugin();
  LoadPlugin();
  ClearRecord();
  Console("Alice", "despawn all");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 0 creatures."});
  EXPECT_EQ(Creatures(), 5u);
  EXPECT_TRUE(CallsOf("UGameplayStatics.GetAllActorsOfClass").empty());
}

TEST_F(DespawnTest, WithoutItsEntryNothingIsRememberedOfASpawn) {
  Start(TestWorld(), false);
  Console("Alice", "spawn pair");
  EXPECT_EQ(Creatures(), 3u);
  const std::set<std::string>& asked = sim::AskedNames();
  EXPECT_EQ(asked.count("APrimalDinoCharacter.DinoID1"), 0u);
  EXPECT_EQ(asked.count("APrimalDinoCharacter.DinoID2"), 0u);
}

TEST_F(DespawnTest, AMissingGameMemberStopsItAndTheCreaturesAreKeptForLater) {
  Start(TestWorld({{"unresolved", {"AActor.Destroy"}}}));
  ExpectHostLog("error", "Despawn_Console stopped");
  Console("Alice", "spawn pair");
  Console("Alice", "despawn all");
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_EQ(Creatures(), 3u);
  EXPECT_TRUE(CallsOf("UGameplayStatics.GetAllActorsOfClass").empty());
}

TEST_F(DespawnTest, AGameThatRefusesToDestroyRemovesNothing) {
  Start(TestWorld({{"destroyFails", true}}));
  Console("Alice", "spawn pair");
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 0 of 2 creatures; the game refused the rest."});
  EXPECT_EQ(CallsOf("AActor.Destroy").size(), 2u);
  EXPECT_EQ(Creatures(), 3u);
  EXPECT_EQ(Dump()["creatures"].size(), 3u);
}

TEST_F(DespawnTest, WhatTheGameRefusedIsCountedInTheReplyAndTheAuditLine) {
  json config = Config();
  config["Features"]["AuditLog"] = {{"Enabled", true}};
  WriteConfig(config);
  AddWorld(TestWorld());
  LoadPlugin();
  const auto audit_lines = [this] {
    std::vector<std::string> texts;
    for (const json& log : EventsOf("log"))
      if (log["logger"] == "Dremmet" && log["level"] == "info") texts.push_back(log["text"]);
    return texts;
  };
  Console("Alice", "spawn four");
  Console("Alice", "spawn four");

  // The game removes the first two it is asked to, and refuses the rest.
  ClearRecord();
  int destroys = 0;
  sim::AddCallListener([&destroys](const json& call) {
    if (call["call"] == "AActor.Destroy" && ++destroys == 3) sim::GetWorld().faults.destroyFails = true;
  });
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 2 of 4 creatures; the game refused the rest."});
  EXPECT_EQ(audit_lines(),
            std::vector<std::string>{"AUDIT Alice (76561198000000001) despawn: removed 2 of 4 creatures"});
  EXPECT_EQ(CallsOf("AActor.Destroy").size(), 4u);
  EXPECT_EQ(Creatures(), 7u);

  // Refusing every one: none of four went.
  ClearRecord();
  Console("Alice", "despawn all");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 0 of 4 creatures; the game refused the rest."});
  EXPECT_EQ(audit_lines(),
            std::vector<std::string>{"AUDIT Alice (76561198000000001) despawn all: removed 0 of 4 creatures"});
  EXPECT_EQ(Creatures(), 7u);

  // A game that removes again: a pass it does not refuse says only how many went.
  sim::GetWorld().faults.destroyFails = false;
  Console("Alice", "spawn pair");
  ClearRecord();
  Console("Alice", "despawn");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Removed 2 creatures."});
  EXPECT_EQ(audit_lines(), std::vector<std::string>{"AUDIT Alice (76561198000000001) despawn: removed 2 creatures"});
}

TEST(SpawnedCreaturesTest, TheMemoryIsBoundedAndForgetsTheOldestGroupsFirst) {
  ForgetSpawnedCreatures();
  for (uint32_t group = 0; group <= kRememberedCreatures; ++group)
    RememberSpawnedGroup(group % 2 == 0 ? 1 : 2, {SpawnedCreature{group, group, 1001}});
  const std::vector<SpawnedCreature> first = SpawnedBy(1, true);
  const std::vector<SpawnedCreature> second = SpawnedBy(2, true);
  EXPECT_EQ(first.size() + second.size(), kRememberedCreatures);
  // Group 0, the oldest, went; the newest is first.
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.front().id1, kRememberedCreatures);
  EXPECT_EQ(first.back().id1, 2u);
  ForgetSpawnedCreatures();
  EXPECT_TRUE(SpawnedBy(1, true).empty());
}

}  // namespace
