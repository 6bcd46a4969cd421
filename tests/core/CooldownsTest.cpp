// The Cooldowns feature end to end: a kit, group or location with a "cooldown"
// or "uses" refused too soon or too often, per player, on the game's clock; the
// uses kept across reloads and loads in the journal beside config.json.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/FeatureTest.h"
#include "orvanel/core/UseLimits.h"
#include "sandbox/game/World.h"

using nlohmann::json;

namespace {

using Replies = std::vector<std::string>;

class CooldownsTest : public FeatureTest {
 protected:
  // "medic" once every 250 s, "Camp" twice in all, "ghosts" (which spawn
  // nothing) once, "dodos" once an hour and five minutes.
  static json CooldownConfig(const std::vector<std::string>& features) {
    json config = FeatureConfig(features);
    json& commands = config["Commands"];
    commands["ItemTemplate_Console"]["Templates"]["medic"]["cooldown"] = 250;
    commands["TeleportTo_Console"]["Locations"]["Camp"]["uses"] = 2;
    commands["SpawnTemplate_Console"]["Templates"]["ghosts"]["uses"] = 1;
    commands["SpawnTemplate_Console"]["Templates"]["dodos"]["cooldown"] = 3900;
    return config;
  }

  Replies RepliesTo(const std::string& player, const std::string& line) {
    ClearRecord();
    Console(player, line);
    return ChatTo(player);
  }

  std::filesystem::path PluginFolder() const { return root_ / "TalvexApi" / "Plugins" / "Orvanel"; }

  static std::string Bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  // The plugin loaded on a journal of `text`, whose records may be dated by the world's clock, `now(ms)`.
  template <typename Text>
  void StartOnJournal(const json& config, Text text) {
    WriteConfig(config);
    AddWorld(FeatureWorld());
    std::ofstream(PluginFolder() / "state.journal", std::ios::binary) << text(sim::GetWorld().clockMs);
    LoadPlugin();
  }
  std::string JournalText() const { return Bytes(PluginFolder() / "state.journal"); }
  // The bytes of each "state.broken-..." beside the journal.
  std::vector<std::string> BrokenCopies() const {
    std::vector<std::string> copies;
    for (const auto& file : std::filesystem::directory_iterator(PluginFolder()))
      if (file.path().filename().string().rfind("state.broken-", 0) == 0) copies.push_back(Bytes(file.path()));
    return copies;
  }
  std::size_t InventoryOf(const std::string& player) const { return PlayerDump(player)["inventory"].size(); }
};

TEST_F(CooldownsTest, TooSoonOrTooOftenIsRefusedPerPlayerAndNothingIsDone) {
  Start(CooldownConfig({"Cooldowns", "AuditLog"}));
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Alice"), 1u);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit medic: refused: cooldown"});
  EXPECT_EQ(InventoryOf("Alice"), 1u);
  // Another player has uses of their own.
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 1u);
  sim::AdvanceClock(249001);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 1 s."});
  sim::AdvanceClock(999);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Alice"), 2u);

  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{});
  Console("Alice", "tp Lake");
  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{});
  Console("Alice", "tp Lake");
  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{"You have used Camp 2 times, the most allowed."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) tp Camp: refused: used up"});
  EXPECT_EQ(PlayerDump("Alice")["position"], json({-4000.5, 2200.0, 0.0}));

  // Only a use that spawned something counts.
  EXPECT_EQ(RepliesTo("Alice", "spawn ghosts"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "spawn ghosts"), Replies{});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) spawn ghosts: spawned 0 of 2 creatures"});
  EXPECT_EQ(RepliesTo("Alice", "spawn dodos"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "spawn dodos"), Replies{"You can use dodos again in 1 h 5 min."});
  sim::AdvanceClock(3900000 - 61000);
  EXPECT_EQ(RepliesTo("Alice", "spawn dodos"), Replies{"You can use dodos again in 1 min 1 s."});
  // Entries without limits are neither refused nor counted.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(RepliesTo("Alice", "kit builder"), Replies{});
}

TEST_F(CooldownsTest, UsesOutliveReloadsLoadsAndEntriesThatLeaveTheConfig) {
  json config = CooldownConfig({"Cooldowns"});
  Start(config);
  Console("Alice", "tp Camp");
  Console("Alice", "kit medic");
  json without = config;
  without["Commands"]["TeleportTo_Console"]["Locations"].erase("Camp");
  WriteConfig(without);
  EXPECT_EQ(RepliesTo("Alice", "reload"), Replies{"Test config reloaded!"});
  WriteConfig(config);
  UnloadPlugin();
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  Console("Alice", "tp Camp");
  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{"You have used Camp 2 times, the most allowed."});
  // A clock that went back an hour makes no wait longer than the cooldown.
  sim::AdvanceClock(-3600000);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
}

// Alice's medic (cooldown 250 s) at `ms`, as the journal holds it.
std::string AliceMedicAt(int64_t ms) {
  return "[76561198000000001,\"ItemTemplate_Console\",\"medic\",1," + std::to_string(ms) + "]";
}

TEST_F(CooldownsTest, AJunkLineIsSkippedNamedOnceAndEveryOtherUseKept) {
  std::string broken;
  ExpectHostLog("error", "has lines that are no use record (line 2); they are skipped and every other record is kept");
  StartOnJournal(CooldownConfig({"Cooldowns"}),
                 [&broken](int64_t now) { return broken = AliceMedicAt(now) + "\nnot a record\n"; });
  EXPECT_EQ(BrokenCopies(), std::vector<std::string>{broken});
  std::size_t errors = 0;
  for (const json& log : EventsOf("log")) errors += log["level"] == "error" ? 1 : 0;
  EXPECT_EQ(errors, 1u);
  EXPECT_EQ(JournalText(), AliceMedicAt(sim::GetWorld().clockMs) + "\n");
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{});
}

TEST_F(CooldownsTest, ATrailingBlankLineOrALineOfSpacesIsNothing) {
  Start(CooldownConfig({"Cooldowns"}));
  Console("Alice", "kit medic");
  UnloadPlugin();
  std::ofstream(PluginFolder() / "state.journal", std::ios::binary | std::ios::app) << "   \n\n";
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(BrokenCopies(), std::vector<std::string>{});
  EXPECT_EQ(JournalText(), AliceMedicAt(sim::GetWorld().clockMs) + "\n");
}

TEST_F(CooldownsTest, AWholeLastRecordWithoutItsNewlineIsKept) {
  StartOnJournal(CooldownConfig({"Cooldowns"}), AliceMedicAt);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{});
  UnloadPlugin();
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(BrokenCopies(), std::vector<std::string>{});
}

#if !defined(_WIN32)
// On Windows a file held open for appending cannot be replaced or removed
// (the editor's save fails, and the uses stay where they are): POSIX only.
// As an editor saves: the new text written to a file of its own, moved over the journal.
TEST_F(CooldownsTest, AJournalMovedOverByAnEditorIsReadAgainAndTheUsesAfterItKept) {
  Start(CooldownConfig({"Cooldowns"}));
  Console("Alice", "kit medic");
  const std::string bobs =
      "[76561198000000002,\"ItemTemplate_Console\",\"medic\",1," + std::to_string(sim::GetWorld().clockMs) + "]\n";
  std::ofstream(PluginFolder() / "state.journal.edit", std::ios::binary) << bobs;
  std::filesystem::rename(PluginFolder() / "state.journal.edit", PluginFolder() / "state.journal");
  ExpectHostLog("warning", "state.journal was replaced while the server ran; it was read again");
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(PluginLogs("warning").size(), 1u);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{});
  UnloadPlugin();
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  Console("Alice", "tp Camp");
  EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{"You have used Camp 2 times, the most allowed."});
}
#endif

// A use, then a restart with the world's clock a day earlier: the wait is the
// cooldown from the first try, through another restart, and ends then.
TEST_F(CooldownsTest, AUseDatedAfterNowWaitsOneCooldownFromItsFirstTryAndNoLonger) {
  json config = CooldownConfig({"Cooldowns"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["cooldown"] = 300;
  Start(config);
  Console("Alice", "kit medic");
  UnloadPlugin();
  sim::AdvanceClock(-86400000);
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 5 min."});
  sim::AdvanceClock(100000);
  UnloadPlugin();
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 3 min 20 s."});
  sim::AdvanceClock(199000);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 1 s."});
  sim::AdvanceClock(1000);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Alice"), 2u);

  // A record from a clock some thirty thousand years ahead locks nothing for good.
  UnloadPlugin();
  std::ofstream(PluginFolder() / "state.journal", std::ios::binary)
      << "[76561198000000002,\"ItemTemplate_Console\",\"medic\",1,999999999999999]\n";
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You can use medic again in 5 min."});
  sim::AdvanceClock(300000);
  EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{});
}

TEST_F(CooldownsTest, OffTheKeysAreIgnoredAndNoStoreIsMade) {
  Start(CooldownConfig({"AuditLog"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(RepliesTo("Alice", "tp Camp"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_TRUE(CallsOf("FDateTime.UtcNow").empty());
  EXPECT_FALSE(std::filesystem::exists(PluginFolder() / "state.journal"));
}

TEST_F(CooldownsTest, ALimitThatFailsToReadOrAClockTheGameLacksStopsTheCommandBeforeItGives) {
  json config = CooldownConfig({"Cooldowns", "Feedback", "AuditLog"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["builder"]["cooldown"] = -1;
  config["Commands"]["TeleportTo_Console"]["Locations"]["Lake"]["uses"] = 1.5;
  WriteConfig(config);
  json world = FeatureWorld();
  world["unresolved"] = {"FDateTime.UtcNow"};
  AddWorld(world);
  LoadPlugin();
  EXPECT_EQ(RepliesTo("Alice", "kit builder"),
            (Replies{"Failed to read template...", "/cooldown: must be from 0 to 1000000000 seconds"}));
  EXPECT_EQ(RepliesTo("Alice", "tp Lake"),
            (Replies{"Failed to read template...", "/uses: must be a whole number of 0 or more"}));
  ExpectHostLog("error", "The command ItemTemplate_Console stopped: the game member \"FDateTime.UtcNow\"");
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Alice"), 0u);
  EXPECT_EQ(
      PluginLogs("info").back(),
      "AUDIT Alice (76561198000000001) kit medic: stopped: the game member \"FDateTime.UtcNow\" is not available");
}

// A limited use is claimed before the handler acts and given back when the run
// did nothing: neither the next run nor the journal sees it.
TEST_F(CooldownsTest, AClaimedUseIsGivenBackWhenTheRunDidNothing) {
  json config = CooldownConfig({"Cooldowns", "AuditLog"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["nothing"] = {
      {"uses", 1}, {"items", {{{"blueprint", "/Game/Items/X.X"}}}}};
  Start(config);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(RepliesTo("Alice", "kit nothing"), Replies{});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit nothing: gave 0 of 1 item"});
  std::ifstream journal(PluginFolder() / "state.journal", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(journal), {}), "");
  // The use that did give is kept, and written.
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
}

TEST_F(CooldownsTest, AClaimedUseIsGivenBackWhenTheRunStopsAtAMissingMember) {
  WriteConfig(CooldownConfig({"Cooldowns", "AuditLog"}));
  json world = FeatureWorld();
  world["unresolved"] = {"UPrimalItem.AddNewItem"};
  AddWorld(world);
  LoadPlugin();
  ExpectHostLog("error", "The command ItemTemplate_Console stopped: the game member \"UPrimalItem.AddNewItem\"");
  Console("Alice", "kit medic");
  UnloadPlugin();
  std::ifstream journal(PluginFolder() / "state.journal", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(journal), {}), "");
}

TEST(UseLimitsTest, WaitsAreNeverShownShorterThanTheyAre) {
  EXPECT_EQ(WaitText(1), "1 s");
  EXPECT_EQ(WaitText(59000), "59 s");
  EXPECT_EQ(WaitText(59001), "1 min");
  EXPECT_EQ(WaitText(3599000), "59 min 59 s");
  EXPECT_EQ(WaitText(3599001), "1 h");
  EXPECT_EQ(WaitText(3600001), "1 h 1 min");
  EXPECT_EQ(WaitText(7200000), "2 h");
  EXPECT_EQ(WaitText(86340000), "23 h 59 min");
  EXPECT_EQ(WaitText(86340001), "1 d");
  EXPECT_EQ(WaitText(86400001), "1 d 1 h");
  EXPECT_EQ(WaitText(273600000), "3 d 4 h");
  EXPECT_EQ(WaitText(1000000000000), "11574 d 2 h");
  // The moment a wait names is never before it ends.
  EXPECT_EQ(ShownWaitMs(400), 1000);
  EXPECT_EQ(ShownWaitMs(59001), 60000);
  EXPECT_EQ(ShownWaitMs(3599001), 3600000);
  EXPECT_EQ(ShownWaitMs(86340001), 86400000);
  EXPECT_EQ(ShownWaitMs(86400001), 90000000);
  const UseLimits twice{0, 2};
  EXPECT_EQ(JudgeUse(twice, UseRecord{1, 0}, 0).kind, UseVerdictKind::Allowed);
  EXPECT_EQ(JudgeUse(twice, UseRecord{2, 0}, 0).kind, UseVerdictKind::UsedUp);
  EXPECT_EQ(JudgeUse(UseLimits{0, 0}, std::nullopt, 0).kind, UseVerdictKind::UsedUp);
  const UseLimits minute{60000, std::nullopt};
  EXPECT_EQ(JudgeUse(minute, std::nullopt, 0).kind, UseVerdictKind::Allowed);
  EXPECT_EQ(JudgeUse(minute, UseRecord{1, 1000}, 61000).kind, UseVerdictKind::Allowed);
  EXPECT_EQ(JudgeUse(minute, UseRecord{1, 1000}, 60999).waitMs, 1);
  // A use dated after now counts as one now: the whole cooldown, never more.
  EXPECT_EQ(JudgeUse(minute, UseRecord{1, 90000}, 1000).waitMs, 60000);
  // Clocks as far apart as 64 bits allow.
  EXPECT_EQ(JudgeUse(minute, UseRecord{1, INT64_MIN}, INT64_MAX).kind, UseVerdictKind::Allowed);
  EXPECT_EQ(JudgeUse(minute, UseRecord{1, INT64_MAX}, INT64_MIN).waitMs, 60000);
}

}  // namespace

namespace {

// The limits read as the plugin reads them, first fault thrown or every fault listed.
TEST(UseLimitsTest, LimitsReadWholeNumbersAndSecondsAndNameEachFault) {
  using nlohmann::json;
  EXPECT_EQ(ReadUseLimits(json{{"uses", 2.0}, {"cooldown", 0.0005}}).uses, 2u);
  EXPECT_EQ(ReadUseLimits(json{{"cooldown", 0.0005}}).cooldownMs, 1);
  EXPECT_EQ(ReadUseLimits(json{{"cooldown", 0}}).cooldownMs, 0);
  EXPECT_FALSE(ReadUseLimits(json::array({1, 2})).uses.has_value());
  const auto fault_of = [](const json& entry) {
    try {
      ReadUseLimits(entry);
    } catch (const TemplateReadError& error) {
      return error.pointer + ": " + error.reason;
    }
    return std::string("read");
  };
  EXPECT_EQ(fault_of({{"uses", "2"}}), "/uses: must be a number, not a text in quotes");
  EXPECT_EQ(fault_of({{"uses", -1}}), "/uses: must be a whole number of 0 or more");
  EXPECT_EQ(fault_of({{"uses", 1e19}}), "/uses: must be a whole number of 0 or more");
  EXPECT_EQ(fault_of({{"cooldown", true}}), "/cooldown: must be a number, not true or false");
  EXPECT_EQ(fault_of({{"cooldown", 1e9 + 1}}), "/cooldown: must be from 0 to 1000000000 seconds");
  EXPECT_EQ(ReadUseLimits(json{{"cooldown", 1e9}}).cooldownMs, 1000000000000);
  TemplateFaults faults;
  const UseLimits read = ReadUseLimits(json{{"uses", 0.5}, {"cooldown", "1"}}, &faults);
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0].pointer, "/cooldown");
  EXPECT_EQ(faults[1].pointer, "/uses");
  EXPECT_FALSE(read.uses.has_value());
  EXPECT_EQ(read.cooldownMs, 0);
}

}  // namespace
