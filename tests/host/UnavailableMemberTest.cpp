// Game members that the host does not resolve, as after a game update: every
// name the plugin asks for, taken from a run of every command, is withheld in
// turn. The server lives, the command that needs the member stops with one
// error naming it and its key, game memory comes back, and every command that
// does not need it answers exactly as with nothing withheld.
#include "support/PluginTest.h"

#include <algorithm>
#include <set>

#include "orvanel/core/CommandTable.h"
#include "sandbox/game/Memory.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

using nlohmann::json;

namespace {

// One typed line and the command key it runs.
struct Line {
  std::string text;
  std::string key;
};

// In an order where a command that stops midway changes nothing that a later
// one reads: the survey and the kit before the spawn, the removal of spawned
// groups before the spawn (a spawn stopped midway leaves fewer to remove; the
// removal's own members are withheld in tests/commands/DespawnTest.cpp), the
// move back before the move (which would give it somewhere to go), the move
// last. Each command runs its sample line of the table, and the kit command a
// name it does not have as well. Every command of the table has a line (a test
// below says which one is missing).
const std::vector<Line> kLines = [] {
  std::vector<Line> lines;
  for (const char* key : {"Health_Chat", "Health_Console", "ItemTemplate_Console", "", "ReloadConfig_Console",
                          "Uses_Console", "Group_Console", "Despawn_Console", "SpawnTemplate_Console",
                          "SaveLocation_Console", "Back_Console", "TeleportTo_Console"})
    lines.push_back(*key != 0 ? Line{FindCommandRow(key)->sample, key} : Line{"kit nosuch", "ItemTemplate_Console"});
  return lines;
}();

// What one line did: the game functions it called, in order (object ids left
// out: a command that stopped early makes fewer objects), and what players were shown.
struct Outcome {
  std::vector<std::string> calls;
  std::vector<json> shown;
  std::vector<std::string> errors;
};

class UnavailableMemberTest : public PluginTest {
 protected:
  static json World(const std::vector<std::string>& unresolved) {
    return {{"unresolved", unresolved},
            {"assets",
             {{"items", {"/Game/Items/Rope.Rope_C", "/Game/Items/Saddle.Saddle_C"}},
              {"creatures", {"Blueprint'/Game/Creatures/Rex.Rex'"}}}},
            {"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", 1001}}}},
            {"creatures",
             {{{"nameTag", "Rex"}, {"team", 1001}, {"position", {100, 0, 0}}, {"health", 500}},
              {{"nameTag", "Rex"}, {"team", 1001}, {"position", {0, 200, 0}}}}}};
  }

  static json Config() {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = {
        {"builder",
         {{"count", 2},
          {"items", {{{"blueprint", "/Game/Items/Rope.Rope"}, {"quantity", 3}, {"quality", 0.5}, {"count", 2}}}}}}};
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = {
        {"raptors",
         {{"blueprint", "/Game/Creatures/Rex.Rex"},
          {"saddleBlueprint", "/Game/Items/Saddle.Saddle"},
          {"saddleArmor", 40},
          {"count", 2},
          {"facing", "outwards"},
          {"baseLevelHealth", 3},
          {"tamedLevelHealth", 2},
          {"imprint", 0.5},
          {"ignoreAllWhistles", true},
          {"ignoreAllyLook", true},
          {"items", {{{"blueprint", "/Game/Items/Rope.Rope"}, {"quantity", 2}}}}}}};
    config["Commands"]["TeleportTo_Console"]["Locations"] = {{"Camp", {{"x", 1500}, {"y", -200}, {"z", 30}}}};
    return config;
  }

  // A fresh host and world with `unresolved` withheld, and the plugin loaded
  // anew; returns the game memory blocks in use before the load.
  std::size_t StartServer(const std::vector<std::string>& unresolved) {
    sandbox::StartHost({root_, false, false});
    ClearRecord();
    AddWorld(World(unresolved));
    WriteConfig(Config());
    const std::size_t blocks = sim::LiveBlocks() - sim::WorldHeldBlocks();
    LoadPlugin();
    return blocks;
  }

  std::vector<std::string> DremmetErrors() const {
    std::vector<std::string> errors;
    for (const json& log : EventsOf("log"))
      if (log["logger"] == "Dremmet" && log["level"] == "error") errors.push_back(log["text"]);
    return errors;
  }

  Outcome Run(const Line& line) {
    ClearRecord();
    if (FindCommandRow(line.key)->kind == CommandKind::Chat)
      Chat("Alice", line.text);
    else
      Console("Alice", line.text);
    Outcome outcome;
    for (const json& call : CallsSinceClear()) outcome.calls.push_back(call["call"]);
    for (const char* kind : {"chat", "notification", "handler-error", "unknown-command"})
      for (const json& event : EventsOf(kind)) outcome.shown.push_back(event);
    outcome.errors = DremmetErrors();
    return outcome;
  }
};

TEST(UnavailableMemberLinesTest, EveryCommandOfTheTableHasALine) {
  for (const CommandRow& row : kCommandRows)
    EXPECT_TRUE(std::any_of(kLines.begin(), kLines.end(), [&](const Line& line) { return line.key == row.key; }))
        << "no line of kLines runs " << row.key;
  for (const Line& line : kLines) EXPECT_NE(FindCommandRow(line.key), nullptr) << line.key;
}

TEST_F(UnavailableMemberTest, EveryMemberWithheldInTurnStopsOnlyTheCommandsThatNeedIt) {
  StartServer({});
  std::vector<Outcome> expected;
  for (const Line& line : kLines) expected.push_back(Run(line));
  for (std::size_t i = 0; i < kLines.size(); ++i) EXPECT_TRUE(expected[i].errors.empty()) << kLines[i].text;
  const std::set<std::string> names = sim::AskedNames();
  // Every family of members is in the traced run: allocator, replies, survey,
  // notification, items, spawning and taming, bit fields, the move.
  for (const char* name :
       {"FMemory.Realloc", "FMemory.Free", "AShooterPlayerController.ClientChatMessage",
        "UGameplayStatics.GetAllActorsOfClass", "AShooterPlayerController.ClientServerUlvaneNotificationCustom",
        "UPrimalItem.AddNewItem", "APrimalDinoCharacter.TameDino", "APrimalDinoCharacter.bIgnoreAllyLook",
        "UPrimalItem.ItemStatValues", "AShooterPlayerController.SetPlayerPos"})
    EXPECT_EQ(names.count(name), 1u) << name;
  UnloadPlugin();

  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::size_t blocks = StartServer({name});
    const std::string quoted = "\"" + name + "\"";
    if (EventsOf("register").empty()) {
      // Only the allocator is needed at load; without it nothing is offered.
      EXPECT_EQ(name.rfind("FMemory.", 0), 0u);
      const std::vector<std::string> errors = DremmetErrors();
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_NE(errors[0].find(quoted), std::string::npos) << errors[0];
      UnloadPlugin();
      EXPECT_EQ(sim::LiveBlocks() - sim::WorldHeldBlocks(), blocks);
      continue;
    }
    int stopped = 0;
    for (std::size_t i = 0; i < kLines.size(); ++i) {
      const Outcome outcome = Run(kLines[i]);
      if (outcome.errors.empty()) {
        EXPECT_EQ(outcome.calls, expected[i].calls) << kLines[i].text;
        EXPECT_EQ(outcome.shown, expected[i].shown) << kLines[i].text;
        continue;
      }
      ++stopped;
      ASSERT_EQ(outcome.errors.size(), 1u) << kLines[i].text;
      EXPECT_NE(outcome.errors[0].find(quoted), std::string::npos) << outcome.errors[0];
      EXPECT_NE(outcome.errors[0].find(kLines[i].key), std::string::npos) << outcome.errors[0];
      for (const std::string& call : outcome.calls) EXPECT_NE(call, name) << "a call through a withheld member";
      EXPECT_TRUE(EventsOf("handler-error").empty()) << kLines[i].text;
    }
    EXPECT_GT(stopped, 0) << "no command met the withheld member";
    UnloadPlugin();
    EXPECT_EQ(sim::LiveBlocks() - sim::WorldHeldBlocks(), blocks) << "game memory blocks were left behind";
  }
}

}  // namespace
