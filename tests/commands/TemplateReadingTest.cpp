// The read stages alone: what each record takes from its JSON, and the place
// and reason of the first fault, from the template's own root, or of every
// fault when the read is given a list of them.
#include "orvanel/core/TemplateReading.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using nlohmann::json;

namespace {

// The pointer and reason of the read's error, or "no error".
template <typename Read>
std::string FaultOf(Read read) {
  try {
    read();
  } catch (const TemplateReadError& error) {
    return error.pointer + " | " + error.reason;
  }
  return "no error";
}

TEST(TemplateReadingTest, AKitReadsItsPassesAndEntriesWithTheirDefaults) {
  const ItemKit kit = ReadItemKit(json::parse(R"({"count": 2.9, "items": [
      {"blueprint": "/Game/A.A", "quantity": 5, "quality": 1.5},
      {"blueprints": ["/Game/B.B", "/Game/C.C"], "count": true}]})"));
  EXPECT_EQ(kit.passes, 2);
  ASSERT_EQ(kit.entries.size(), 2u);
  EXPECT_EQ(kit.entries[0].blueprint, "/Game/A.A");
  EXPECT_EQ(kit.entries[0].quantity, 5);
  EXPECT_EQ(kit.entries[0].count, 1);
  EXPECT_FLOAT_EQ(kit.entries[0].quality, 1.5f);
  EXPECT_EQ(kit.entries[1].blueprints, (std::vector<std::string>{"/Game/B.B", "/Game/C.C"}));
  EXPECT_EQ(kit.entries[1].quantity, 0);
  EXPECT_EQ(kit.entries[1].count, 1);
  EXPECT_EQ(ReadItemKit(json::object()).passes, 1);
  EXPECT_TRUE(ReadItemKit(json::parse(R"({"items": null})")).entries.empty());
}

TEST(TemplateReadingTest, AKitFaultNamesTheValueAndWhatIsWrongInPlainWords) {
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"count": "3"})")); }),
            "/count | must be a number, not a text in quotes");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"items": [{}, {"quantity": "5"}]})")); }),
            "/items/1/quantity | must be a number, not a text in quotes");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"items": [{"blueprints": ["/Game/A.A", 7]}]})")); }),
            "/items/0/blueprints/1 | must be a text in quotes, not a number");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"items": [{"blueprints": "/Game/A.A"}]})")); }),
            "/items/0/blueprints | must be a list in [ ], not a text in quotes");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"items": ["/Game/A.A"]})")); }),
            "/items/0 | must be an object in { } with a \"blueprint\" or \"blueprints\", not a text in quotes");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"items": {"a/b": {"quality": true}}})")); }),
            "/items/a~1b/quality | must be a number, not true or false");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"([1])")); }),
            " | must be an object in { } with \"items\", not a list in [ ]");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"count": 2, "items": [{"count": 3}, {"count": 5000}]})")); }),
            " | asks for 10006 items in all (\"count\" x the items' \"count\" x their paths, summed); the most is "
            "10000: lower \"count\" or the items' \"count\"");
  EXPECT_EQ(FaultOf([] { ReadItemKit(json::parse(R"({"items": [{"quantity": 3e9}]})")); }),
            "/items/0/quantity | \"quantity\" is out of range");
}

TEST(TemplateReadingTest, ACreatureTemplateReadsEveryKeyAndItsLevelsFromTheTable) {
  json creature = json::parse(R"({"blueprint": "/Game/R.R", "saddleBlueprint": "/Game/S.S", "saddleArmor": 45,
      "imprint": 0.5, "aggressionLevel": "AGGRESSIVE", "facing": "Inwards", "count": 3, "radius": 200,
      "follow": true, "ignoreAllWhistles": true, "ignoreAllyLook": true,
      "items": [{"blueprint": "/Game/I.I", "count": 2}]})");
  // Each level key and the field it fills, spelt out here rather than taken from
  // the plugin's table, so that a misspelt or misplaced key fails.
  const std::pair<const char*, int32_t CreatureSpawnRequest::*> levels[] = {
      {"baseLevelHealth", &CreatureSpawnRequest::baseLevelHealth},
      {"baseLevelStamina", &CreatureSpawnRequest::baseLevelStamina},
      {"baseLevelOxygen", &CreatureSpawnRequest::baseLevelOxygen},
      {"baseLevelFood", &CreatureSpawnRequest::baseLevelFood},
      {"baseLevelWeight", &CreatureSpawnRequest::baseLevelWeight},
      {"baseLevelMeleeDamage", &CreatureSpawnRequest::baseLevelMeleeDamage},
      {"baseLevelMovementSpeed", &CreatureSpawnRequest::baseLevelMovementSpeed},
      {"tamedLevelHealth", &CreatureSpawnRequest::tamedLevelHealth},
      {"tamedLevelStamina", &CreatureSpawnRequest::tamedLevelStamina},
      {"tamedLevelOxygen", &CreatureSpawnRequest::tamedLevelOxygen},
      {"tamedLevelFood", &CreatureSpawnRequest::tamedLevelFood},
      {"tamedLevelWeight", &CreatureSpawnRequest::tamedLevelWeight},
      {"tamedLevelMeleeDamage", &CreatureSpawnRequest::tamedLevelMeleeDamage},
      {"tamedLevelMovementSpeed", &CreatureSpawnRequest::tamedLevelMovementSpeed}};
  for (int index = 0; index < 14; ++index) creature[levels[index].first] = index + 1;
  const CreatureTemplate read = ReadCreatureTemplate(creature);
  EXPECT_EQ(read.request.blueprint, "/Game/R.R");
  EXPECT_EQ(read.request.saddleBlueprint, "/Game/S.S");
  EXPECT_FLOAT_EQ(read.request.saddleArmor, 45.0f);
  EXPECT_FLOAT_EQ(read.request.imprint, 0.5f);
  EXPECT_EQ(read.request.aggressionLevel, 2);
  EXPECT_EQ(read.facing, kFacingInwards);
  EXPECT_EQ(read.count, 3);
  EXPECT_FLOAT_EQ(read.radius, 200.0f);
  EXPECT_TRUE(read.request.follow && read.request.ignoreAllWhistles && read.request.ignoreAllyLook);
  EXPECT_EQ(read.request.baseLevelHealth, 1);
  EXPECT_EQ(read.request.baseLevelMovementSpeed, 7);
  EXPECT_EQ(read.request.tamedLevelHealth, 8);
  EXPECT_EQ(read.request.tamedLevelMovementSpeed, 14);
  for (int index = 0; index < 14; ++index)
    EXPECT_EQ(read.request.*levels[index].second, index + 1) << levels[index].first;
  ASSERT_EQ(read.request.items.size(), 1u);
  EXPECT_EQ(read.request.items[0].quantity, 1);
  EXPECT_EQ(read.request.items[0].count, 2);
  EXPECT_EQ(ReadCreatureTemplate(json::parse(R"({"blueprint": "/Game/R.R", "facing": "inward"})")).facing,
            kFacingForward);
}

TEST(TemplateReadingTest, ACreatureFaultNamesTheValueAndWhatIsWrongInPlainWords) {
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::object()); }),
            "/blueprint | is missing (the path of the creature to spawn)");
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::parse(R"({"blueprint": "/Game/R.R", "radius": "500"})")); }),
            "/radius | must be a number, not a text in quotes");
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::parse(R"({"blueprint": "/R", "tamedLevelFood": [1]})")); }),
            "/tamedLevelFood | must be a number, not a list in [ ]");
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::parse(R"({"blueprint": "/R", "items": [{"blueprints": []}]})")); }),
            "/items/0/blueprint | is missing (the path of the item to give)");
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::parse(R"({"blueprint": "/R", "count": 1001})")); }),
            " | asks for 1001 creatures (\"count\"); the most is 1000: lower \"count\"");
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::parse(R"({"blueprint": "/R", "follow": 1})")); }),
            "/follow | must be true or false, not a number");
  EXPECT_EQ(FaultOf([] { ReadCreatureTemplate(json::parse(R"("/Game/R.R")")); }),
            " | must be an object in { } with a \"blueprint\", not a text in quotes");
}

TEST(TemplateReadingTest, ALocationReadsItsCoordinatesOrNamesTheFault) {
  const TeleportLocation read = ReadTeleportLocation(json::parse(R"({"x": 1.5, "z": -3})"));
  EXPECT_FLOAT_EQ(read.x, 1.5f);
  EXPECT_FLOAT_EQ(read.y, 0.0f);
  EXPECT_FLOAT_EQ(read.z, -3.0f);
  EXPECT_EQ(FaultOf([] { ReadTeleportLocation(json::parse(R"({"x": 1, "y": "2"})")); }),
            "/y | must be a number, not a text in quotes");
  EXPECT_EQ(FaultOf([] { ReadTeleportLocation(json::parse(R"({"z": 1e300})")); }),
            "/z | \"z\" is beyond the range of a 32-bit float");
  EXPECT_EQ(FaultOf([] { ReadTeleportLocation(json::parse("null")); }),
            " | must be an object in { } with \"x\", \"y\" and \"z\", not null");
}

// Each fault as "pointer | reason".
std::vector<std::string> Named(const TemplateFaults& faults) {
  std::vector<std::string> named;
  for (const TemplateReadError& fault : faults) named.push_back(fault.pointer + " | " + fault.reason);
  return named;
}

TEST(TemplateReadingTest, GivenAListEveryFaultIsNamedAndTheReadGoesOnWithTheDefaults) {
  TemplateFaults faults;
  const ItemKit kit = ReadItemKit(json::parse(R"({"count": "3", "items": [
      "/Game/A.A", {"blueprint": "/Game/B.B", "quantity": "5", "quality": true}]})"),
                                  &faults);
  EXPECT_EQ(Named(faults),
            (std::vector<std::string>{
                "/count | must be a number, not a text in quotes",
                "/items/0 | must be an object in { } with a \"blueprint\" or \"blueprints\", not a text in quotes",
                "/items/1/quantity | must be a number, not a text in quotes",
                "/items/1/quality | must be a number, not true or false"}));
  EXPECT_EQ(kit.passes, 1);
  ASSERT_EQ(kit.entries.size(), 1u);
  EXPECT_EQ(kit.entries[0].blueprint, "/Game/B.B");
  EXPECT_EQ(kit.entries[0].quantity, 0);
  // The limits are still counted, the values at fault taken as absent.
  faults.clear();
  ReadCreatureTemplate(json::parse(R"({"count": 2000, "radius": "far"})"), &faults);
  EXPECT_EQ(Named(faults),
            (std::vector<std::string>{"/blueprint | is missing (the path of the creature to spawn)",
                                      "/radius | must be a number, not a text in quotes",
                                      " | asks for 2000 creatures (\"count\"); the most is 1000: lower \"count\""}));
  // A template that is no object is one fault, not one for each key.
  faults.clear();
  ReadTeleportLocation(json::array({1, 2, 3}), &faults);
  EXPECT_EQ(Named(faults),
            (std::vector<std::string>{" | must be an object in { } with \"x\", \"y\" and \"z\", not a list in [ ]"}));
}

TEST(TemplateReadingTest, TheCatalogueLookupFindsExactNamesAndAddsNothing) {
  const json entry = json::parse(R"({"Templates": {"kit": {"count": 1}}, "Locations": [1]})");
  const json before = entry;
  ASSERT_NE(FindCatalogueElement(entry, "Templates", "kit"), nullptr);
  EXPECT_EQ(*FindCatalogueElement(entry, "Templates", "kit"), json({{"count", 1}}));
  EXPECT_EQ(FindCatalogueElement(entry, "Templates", "Kit"), nullptr);
  EXPECT_EQ(FindCatalogueElement(entry, "Locations", "0"), nullptr);
  EXPECT_EQ(FindCatalogueElement(entry, "Missing", "kit"), nullptr);
  EXPECT_EQ(FindCatalogueElement(json(), "Templates", "kit"), nullptr);
  EXPECT_EQ(entry, before);
  EXPECT_EQ(FindWordCode(kAggressionWords, "AttackMyTarget")->code, 3);
  EXPECT_EQ(FindWordCode(kAggressionWords, "aggressive "), nullptr);
  EXPECT_EQ(FindWordCode(kFacingWords, "outward"), nullptr);
}

}  // namespace
