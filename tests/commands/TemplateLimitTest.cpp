// Templates that ask for too much work or for values without a finite 32-bit
// float: each is a read failure that gives, spawns and moves nothing, right
// at the limits the commands accept and one step beyond.
#include <string>
#include <vector>

#include "support/PluginTest.h"

using nlohmann::json;

namespace {

const char* const kFaulty = "Failed to read template...";

class TemplateLimitTest : public PluginTest {
 protected:
  void Start(const json& kits, const json& groups, const json& locations) {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = kits;
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = groups;
    config["Commands"]["TeleportTo_Console"]["Locations"] = locations;
    WriteConfig(config);
    json world = ThreePlayers();
    world["assets"] = {{"items", {"/Game/Items/Rope.Rope_C", "/Game/Items/Pick.Pick_C"}},
                       {"creatures", {"Blueprint'/Game/Creatures/Rex.Rex'"}}};
    AddWorld(world);
    LoadPlugin();
  }

  // Runs `line` as Alice: the replies she got and how many calls of `call` it made.
  std::pair<std::vector<std::string>, std::size_t> Run(const std::string& line, const std::string& call) {
    ClearRecord();
    Console("Alice", line);
    EXPECT_TRUE(EventsOf("handler-error").empty()) << line;
    return {ChatTo("Alice"), CallsOf(call).size()};
  }

  static json Rope(const json& count) { return {{"blueprint", "/Game/Items/Rope.Rope"}, {"count", count}}; }
  static json Rex(const json& values) {
    json group = {{"blueprint", "/Game/Creatures/Rex.Rex"}};
    group.update(values);
    return group;
  }
};

using Replies = std::vector<std::string>;
using Outcome = std::pair<Replies, std::size_t>;

TEST_F(TemplateLimitTest, AKitMakesAtMost10000ItemsCountedOverPassesCountsAndPaths) {
  const json two_paths = {{"blueprints", {"/Game/Items/Rope.Rope", "/Game/Items/Pick.Pick"}}, {"count", 50}};
  Start({{"at", {{"count", 1}, {"items", {Rope(9999), Rope(1)}}}},
         {"over", {{"count", 1}, {"items", {Rope(10000), Rope(1)}}}},
         {"passes", {{"count", 100}, {"items", {two_paths}}}},
         {"passesOver", {{"count", 101}, {"items", {two_paths}}}},
         {"huge", {{"count", 2147483647}, {"items", {Rope(1)}}}},
         {"billion", {{"count", 1e9}, {"items", {Rope(1)}}}},
         {"hugeItem", {{"items", {Rope(2147483647)}}}},
         // Whole numbers beyond 32 bits wrap first: to -1 (nothing asked), to 2,
         // and to 10001.
         {"wrapsNegative", {{"count", 4294967295ULL}, {"items", {Rope(1)}}}},
         {"wrapsSmall", {{"count", 4294967298ULL}, {"items", {Rope(1)}}}},
         {"wrapsOver", {{"items", {Rope(4294977297ULL)}}}},
         {"noPasses", {{"count", 0}, {"items", {Rope(2147483647)}}}}},
        json::object(), json::object());
  const std::string add = "UPrimalItem.AddNewItem";
  EXPECT_EQ(Run("kit at", add), Outcome(Replies{}, 10000));
  EXPECT_EQ(Run("kit over", add), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("kit passes", add), Outcome(Replies{}, 10000));
  EXPECT_EQ(Run("kit passesOver", add), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("kit huge", add), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("kit billion", add), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("kit hugeItem", add), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("kit wrapsNegative", add), Outcome(Replies{}, 0));
  EXPECT_EQ(Run("kit wrapsSmall", add), Outcome(Replies{}, 2));
  EXPECT_EQ(Run("kit wrapsOver", add), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("kit noPasses", add), Outcome(Replies{}, 0));
}

TEST_F(TemplateLimitTest, AGroupSpawnsAtMost1000CreaturesAndMakesAtMost10000Items) {
  const json stock = {{"blueprint", "/Game/Items/Rope.Rope"}, {"count", 4999}};
  Start(json::object(),
        {{"at", Rex({{"count", 1000}})},
         {"over", Rex({{"count", 1001}})},
         {"huge", Rex({{"count", 2147483647}})},
         {"billion", Rex({{"count", 1e9}})},
         {"wrapsOver", Rex({{"count", 4294968297ULL}})},
         {"wrapsSmall", Rex({{"count", 4294967298ULL}})},
         // Two creatures, each with a saddle and 4999 + 1 or + 2 items.
         {"itemsAt", Rex({{"count", 2}, {"saddleBlueprint", "/Game/Items/Pick.Pick"}, {"items", {stock, Rope(0)}}})},
         {"itemsOver", Rex({{"count", 2}, {"saddleBlueprint", "/Game/Items/Pick.Pick"}, {"items", {stock, Rope(1)}}})},
         {"hugeItem", Rex({{"items", {Rope(2147483647)}}})}},
        json::object());
  const std::string spawn = "AShooterPlayerController.SpawnActor";
  EXPECT_EQ(Run("spawn at", spawn), Outcome(Replies{}, 1000));
  EXPECT_EQ(Run("spawn over", spawn), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("spawn huge", spawn), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("spawn billion", spawn), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("spawn wrapsOver", spawn), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("spawn wrapsSmall", spawn), Outcome(Replies{}, 2));
  EXPECT_EQ(Run("spawn itemsAt", "UPrimalItem.AddNewItem"), Outcome(Replies{}, 10000));
  EXPECT_EQ(Run("spawn itemsOver", spawn), Outcome(Replies{kFaulty}, 0));
  EXPECT_EQ(Run("spawn hugeItem", spawn), Outcome(Replies{kFaulty}, 0));
}

TEST_F(TemplateLimitTest, ValuesWithoutAFinite32BitFloatAreReadFailures) {
  Start({{"largest", {{"items", {{{"blueprint", "/Game/Items/Rope.Rope"}, {"quality", 3.4e38}}}}}},
         {"infinite", {{"items", {{{"blueprint", "/Game/Items/Rope.Rope"}, {"quality", 1e39}}}}}}},
        {{"largest", Rex({{"radius", -3.4e38}, {"imprint", 3.4e38}, {"saddleArmor", 3.4e38}})},
         {"radius", Rex({{"radius", 1e39}})},
         {"imprint", Rex({{"imprint", 1e39}})},
         {"armor", Rex({{"saddleArmor", -1e39}})}},
        {{"largest", {{"x", 3.4e38}, {"y", -3.4e38}, {"z", 0}}},
         {"x", {{"x", 1e39}}},
         {"y", {{"y", -1e39}}},
         {"z", {{"z", 3.5e38}}}});
  const std::string add = "UPrimalItem.AddNewItem";
  EXPECT_EQ(Run("kit largest", add), Outcome(Replies{}, 1));
  EXPECT_EQ(Run("kit infinite", add), Outcome(Replies{kFaulty}, 0));
  const std::string spawn = "AShooterPlayerController.SpawnActor";
  EXPECT_EQ(Run("spawn largest", spawn), Outcome(Replies{}, 1));
  for (const char* group : {"radius", "imprint", "armor"})
    EXPECT_EQ(Run(std::string("spawn ") + group, spawn), Outcome(Replies{kFaulty}, 0)) << group;
  const std::string move = "AShooterPlayerController.SetPlayerPos";
  EXPECT_EQ(Run("tp largest", move), Outcome(Replies{}, 1));
  for (const char* location : {"x", "y", "z"})
    EXPECT_EQ(Run(std::string("tp ") + location, move), Outcome(Replies{kFaulty}, 0)) << location;
  // Alice stands where the last accepted move put her.
  const json dump = Dump();
  EXPECT_EQ(dump["players"][0]["position"], json({3.4e38f, -3.4e38f, 0.0f}));
}

}  // namespace
