// The stages of a run through the units themselves, with a store of uses that
// records what it is asked and fails on demand: the claim's every verdict and
// its settling, what a check or a handler throws, and each catalogue's read.
#include <stdexcept>
#include <string>
#include <vector>

#include "core/FeatureTest.h"
#include "orvanel/commands/Commands.h"
#include "orvanel/core/TemplateReading.h"
#include "orvanel/features/Features.h"
#include "orvanel/load/Stages.h"
#include "orvanel/run/Logger.h"
#include "sandbox/game/Utf8.h"

using nlohmann::json;

namespace {

// Answers every claim with `verdict`; records Keep and GiveBack; throws at Keep
// when `keepFails`.
struct RecordingStore final : UseStore {
  UseVerdict verdict;
  bool keepFails = false;
  std::vector<std::string> asked;

  UseClaim Claim(const UseKey& key, const UseLimits&, int64_t) override {
    asked.push_back("claim " + std::to_string(key.steamId) + " " + key.entry);
    return {verdict, 7};
  }
  void Keep(uint64_t ticket) override {
    asked.push_back("keep " + std::to_string(ticket));
    if (keepFails) throw std::runtime_error("the disk is full");
  }
  void GiveBack(uint64_t ticket) override { asked.push_back("give back " + std::to_string(ticket)); }
  std::optional<UseRecord> Find(const UseKey&) const override { return std::nullopt; }
  UseRecord Record(const UseKey&, int64_t) override { return {}; }
  std::vector<std::pair<UseKey, UseRecord>> UsesOf(uint64_t) const override { return {}; }
  void Forget(const UseKey&) override {}
  void ForgetAll(uint64_t) override {}
};

class StagesTest : public FeatureTest {
 protected:
  void SetUp() override {
    FeatureTest::SetUp();
    AddWorld(FeatureWorld());
    BuildLogger();
  }
  void TearDown() override {
    GetLogger().reset();
    FeatureTest::TearDown();
  }

  // A run of the kit command for Alice typing `text`, its entry "medic" limited.
  ::Run KitRun(const FString& text, const CommandSettings& settings) {
    ::Run run{CommandContext{reinterpret_cast<AShooterPlayerController*>(Player("Alice")),
                             text,
                             kCommandRows[3],
                             settings,
                             config_,
                             &store_,
                             nullptr,
                             {},
                             {}},
              {}};
    run.context.entry.name = "medic";
    run.context.entry.limits.cooldownMs = 60000;
    return run;
  }

  ConfigState config_;
  RecordingStore store_;
};

TEST_F(StagesTest, AClaimIsHeldKeptOrGivenBackAndAStoreThatCannotAnswerIsRefused) {
  const CommandSettings settings;
  const FString text(sim::FromUtf8("kit medic"));
  CommandOutcome gave;
  gave.kind = OutcomeKind::Done;
  gave.done = 1;
  for (const bool did : {true, false}) {
    ::Run run = KitRun(text, settings);
    EXPECT_FALSE(ClaimUse(run).has_value());
    ASSERT_EQ(run.settle.size(), 1u);
    run.settle.front()(did ? gave : CommandOutcome{});
  }
  EXPECT_EQ(store_.asked, (std::vector<std::string>{"claim 76561198000000001 medic", "keep 7",
                                                    "claim 76561198000000001 medic", "give back 7"}));

  // A use that cannot be kept is logged, and the run's result stands.
  store_.keepFails = true;
  ::Run kept = KitRun(text, settings);
  ClaimUse(kept);
  kept.settle.front()(gave);
  EXPECT_EQ(PluginLogs("error"),
            std::vector<std::string>{"The use of medic by 76561198000000001 was not counted: the disk is full"});

  store_.verdict = {UseVerdictKind::Unreachable, 0, 0};
  ::Run unreachable = KitRun(text, settings);
  ClearRecord();
  const std::optional<CommandOutcome> refused = ClaimUse(unreachable);
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->reason, "store unreachable");
  EXPECT_TRUE(unreachable.settle.empty());
  EXPECT_EQ(ChatTo("Alice"),
            std::vector<std::string>{"The shared limits cannot be checked right now; try again in a moment."});

  // Judged for the player acted on, and said of them.
  store_.verdict = {UseVerdictKind::TooSoon, 1, 61000};
  ::Run other = KitRun(text, settings);
  other.context.actedOn = ActedOn{kBobId, "Bob"};
  ClearRecord();
  EXPECT_EQ(ClaimUse(other)->reason, "cooldown");
  EXPECT_EQ(store_.asked.back(), "claim 76561198000000002 medic");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"Bob can use medic again in 1 min 1 s."});
}

CommandOutcome ThrowsAFault(const CommandContext&) { throw std::runtime_error("[json.exception.type_error.302] bad"); }
CommandOutcome ThrowsSomethingElse(const CommandContext&) { throw 42; }

TEST_F(StagesTest, WhatAHandlerThrowsEndsTheRunAsFailedAndLeavesNothingHeld) {
  CommandSettings settings;
  settings.entry = {{"Templates", {{"medic", {{"uses", 1}, {"items", json::array()}}}}}};
  const FString text(sim::FromUtf8("kit medic"));
  ExpectHostLog("error", "The command ItemTemplate_Console failed: ");
  for (const CommandHandler handler : {&ThrowsAFault, &ThrowsSomethingElse}) {
    store_.asked.clear();
    ::Run run = KitRun(text, settings);
    run.context.entry = {};
    const CommandOutcome outcome = RunStages(run, handler);
    EXPECT_EQ(outcome.kind, OutcomeKind::Failed);
    EXPECT_EQ(outcome.reason, handler == &ThrowsAFault ? "bad" : "unknown exception");
    // The use the checks claimed is given back.
    EXPECT_EQ(store_.asked, (std::vector<std::string>{"claim 76561198000000001 medic", "give back 7"}));
  }
  EXPECT_EQ(PluginLogs("error"),
            (std::vector<std::string>{"The command ItemTemplate_Console failed: "
                                      "[json.exception.type_error.302] bad",
                                      "The command ItemTemplate_Console failed: unknown exception"}));
}

TEST(CatalogueRecordTest, EachKindReadsIntoItsOwnRecord) {
  const json location = {{"x", 1}, {"y", 2}, {"z", 3}};
  EXPECT_TRUE(std::holds_alternative<ItemKit>(ReadCatalogueRecord(CatalogueKind::ItemKits, json::object())));
  EXPECT_TRUE(std::holds_alternative<CreatureTemplate>(
      ReadCatalogueRecord(CatalogueKind::CreatureTemplates, json{{"blueprint", "/Game/A.A"}})));
  EXPECT_EQ(std::get<TeleportLocation>(ReadCatalogueRecord(CatalogueKind::TeleportLocations, location)).z, 3.0f);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(ReadCatalogueRecord(CatalogueKind::None, location)));
}

}  // namespace
