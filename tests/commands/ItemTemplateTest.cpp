// The item template command end to end: which kit lines give what, in which
// order and with which creation arguments, and which answer a faulty or
// missing kit gets.
#include <string>
#include <vector>

#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

const char* const kRope = "/Game/Items/Rope.Rope_C";
const char* const kPick = "/Game/Items/Pick.Pick_C";
const char* const kTorch = "/Game/Items/Torch.Torch_C";
const char* const kMissing = "The template does not exist! Maybe you forgot to reload..?";
const char* const kFaulty = "Failed to read template...";

class ItemTemplateTest : public PluginTest {
 protected:
  // Alice, Bob and Carol, three item classes and one asset that is no class.
  void SetUpWorld(json world = ThreePlayers()) {
    world["assets"] = {{"items", {kRope, kPick, kTorch}}, {"objects", {"/Game/Items/Table.Table_C"}}};
    AddWorld(world);
  }

  // The standard config with `templates` as the kit command's "Templates".
  static json KitConfig(const json& templates) {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = templates;
    return config;
  }

  void Start(const json& templates) {
    WriteConfig(KitConfig(templates));
    SetUpWorld();
    LoadPlugin();
  }

  // A player's inventory as the dump shows it.
  json Inventory(const std::string& name) const {
    const json dump = Dump();
    for (const json& player : dump["players"])
      if (player["name"] == name) return player["inventory"];
    return nullptr;
  }

  std::vector<std::string> InventoryClasses(const std::string& name) const {
    std::vector<std::string> classes;
    for (const json& item : Inventory(name)) classes.push_back(item["class"]);
    return classes;
  }

  std::vector<std::string> LoadedNames() const {
    std::vector<std::string> names;
    for (const json& call : CallsOf("Global.StaticLoadObject")) names.push_back(call["args"][2]);
    return names;
  }

  // Nothing given, nothing asked of the game, and at most the one reply `reply`.
  void ExpectNothingGiven(const std::string& player, const std::vector<std::string>& replies) {
    EXPECT_EQ(ChatTo(player), replies);
    EXPECT_TRUE(CallsOf("Global.StaticLoadObject").empty());
    EXPECT_TRUE(CallsOf("UPrimalItem.AddNewItem").empty());
    EXPECT_TRUE(Inventory(player).empty());
  }
};

TEST_F(ItemTemplateTest, GivesEachItemWithTheGameCreationArguments) {
  Start({{"starter",
          {{"items",
            {{{"blueprint", "/Game/Items/Rope.Rope"}, {"quantity", 5}, {"quality", 1.5}},
             {{"blueprint", "/Game/Items/Pick.Pick"}}}}}}});
  Console("Alice", "kit starter");
  EXPECT_TRUE(ChatTo("Alice").empty());
  const json inventory = Inventory("Alice");
  ASSERT_EQ(inventory.size(), 2u);
  EXPECT_EQ(inventory[0]["class"], kRope);
  EXPECT_EQ(inventory[0]["quantity"], 5);
  EXPECT_EQ(inventory[0]["quality"], 1.5);
  EXPECT_EQ(inventory[1]["class"], kPick);
  EXPECT_EQ(inventory[1]["quantity"], 0);
  EXPECT_EQ(inventory[1]["quality"], 0.0);
  EXPECT_TRUE(Inventory("Bob").empty());

  const sim::World& world = sim::GetWorld();
  const json object_class = world.classObjects.at(&sim::classes::UObject)->id;
  const std::vector<json> loads = CallsOf("Global.StaticLoadObject");
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_EQ(loads[0]["args"], json({object_class, nullptr, kRope, nullptr, 0, nullptr, true}));
  const json rope = world.itemClasses.at(kRope)->id;
  const json alice_inventory = Player("Alice")->Character->inventory->id;
  const std::vector<json> creations = CallsOf("UPrimalItem.AddNewItem");
  ASSERT_EQ(creations.size(), 2u);
  EXPECT_EQ(creations[0]["args"],
            json({rope, alice_inventory, false, false, 1.5, false, 5, false, 0.0, false, nullptr}));
}

TEST_F(ItemTemplateTest, MissingKitsAndShortLines) {
  json config = KitConfig({{"rope", {{"items", {{{"blueprint", kRope}}}}}}});
  WriteConfig(config);
  SetUpWorld();
  LoadPlugin();

  for (const char* line : {"kit", "kit    ", "   kit"}) {
    Console("Alice", line);
    ExpectNothingGiven("Alice", {});
  }
  for (const char* line : {"kit Rope", "kit ropes", "kit ROPE"}) {
    ClearRecord();
    Console("Alice", line);
    ExpectNothingGiven("Alice", {kMissing});
    ASSERT_EQ(EventsOf("chat").size(), 1u);
    EXPECT_EQ(EventsOf("chat").at(0)["sender"], "[system]");
  }
  // Further words are ignored; runs of spaces separate nothing.
  ClearRecord();
  Console("Alice", "kit  rope extra words");
  EXPECT_TRUE(ChatTo("Alice").empty());
  EXPECT_EQ(InventoryClasses("Alice"), std::vector<std::string>{kRope});

  // "Templates" absent, or anything but an object: every name is missing.
  for (const json& templates : {json(), json::array({{{"rope", 1}}}), json("rope"), json(7)}) {
    config["Commands"]["ItemTemplate_Console"]["Templates"] = templates;
    if (templates.is_null()) config["Commands"]["ItemTemplate_Console"].erase("Templates");
    WriteConfig(config);
    Console("Alice", "reload");
    ClearRecord();
    Console("Alice", "kit rope");
    EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{kMissing}) << templates;
    EXPECT_TRUE(CallsOf("UPrimalItem.AddNewItem").empty());
  }
  // A kit added to the file counts once the configuration is reloaded.
  config["Commands"]["ItemTemplate_Console"]["Templates"] = {{"torch", {{"items", {{{"blueprint", kTorch}}}}}}};
  WriteConfig(config);
  ClearRecord();
  Console("Alice", "kit torch");
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{kMissing});
  Console("Alice", "reload");
  Console("Alice", "kit torch");
  EXPECT_EQ(InventoryClasses("Alice"), (std::vector<std::string>{kRope, kTorch}));
}

TEST_F(ItemTemplateTest, FaultyKitsGiveNothing) {
  const json rope = {{"blueprint", kRope}, {"quantity", 1}};
  json seven = json::array();
  for (int i = 0; i < 6; ++i) seven.push_back(rope);
  seven.push_back({{"blueprint", kRope}, {"quantity", "7"}});
  const json faulty = {
      {"notObject", 5},
      {"arrayKit", json::array({rope})},
      {"elementNotObject", {{"items", {rope, "rope"}}}},
      {"itemsNumber", {{"items", 3}}},
      {"countString", {{"count", "2"}, {"items", {rope}}}},
      {"countNull", {{"count", nullptr}, {"items", {rope}}}},
      {"quantityString", {{"items", {{{"blueprint", kRope}, {"quantity", "5"}}}}}},
      {"quantityArray", {{"items", {{{"blueprint", kRope}, {"quantity", {5}}}}}}},
      {"entryCountNull", {{"items", {{{"blueprint", kRope}, {"count", nullptr}}}}}},
      {"qualityBoolean", {{"items", {{{"blueprint", kRope}, {"quality", true}}}}}},
      {"qualityString", {{"items", {{{"blueprint", kRope}, {"quality", "1.5"}}}}}},
      {"blueprintNumber", {{"items", {{{"blueprint", 12}}}}}},
      {"blueprintsNull", {{"items", {{{"blueprint", kRope}, {"blueprints", nullptr}}}}}},
      {"blueprintsString", {{"items", {{{"blueprints", kRope}}}}}},
      {"blueprintsMixed", {{"items", {{{"blueprints", {kRope, 3}}}}}}},
      {"seventhEntry", {{"count", 2}, {"items", seven}}},
      {"countTooLarge", {{"count", 1e10}, {"items", {rope}}}},
      {"quantityTooSmall", {{"items", {{{"blueprint", kRope}, {"quantity", -3e9}}}}}},
      // The first fractions past each end of the 32-bit range.
      {"quantityTwoToThe31", {{"items", {{{"blueprint", kRope}, {"quantity", 2147483648.0}}}}}},
      {"quantityBelowTheRange", {{"items", {{{"blueprint", kRope}, {"quantity", -2147483649.0}}}}}},
  };
  Start(faulty);
  for (const auto& [name, kit] : faulty.items()) {
    ClearRecord();
    Console("Alice", "kit " + name);
    SCOPED_TRACE(name);
    ExpectNothingGiven("Alice", {kFaulty});
    ASSERT_EQ(EventsOf("chat").size(), 1u);
    EXPECT_EQ(EventsOf("chat").at(0)["sender"], "[system]");
    EXPECT_TRUE(EventsOf("handler-error").empty());
  }
}

TEST_F(ItemTemplateTest, HowEachValueIsRead) {
  Start({
      {"booleans",
       {{"count", true},
        {"items",
         {{{"blueprint", kRope}, {"quantity", true}, {"count", false}},
          {{"blueprint", kPick}, {"quantity", false}, {"count", true}}}}}},
      {"fractions",
       {{"items",
         {{{"blueprint", kRope}, {"quantity", 2.9}, {"count", -1.5}},
          {{"blueprint", kPick}, {"quantity", -2.9}, {"quality", 3}}}}}},
      {"twoPointNine", {{"count", 2.9}, {"items", {{{"blueprint", kRope}}}}}},
      {"itemsObject", {{"items", {{"z", {{"blueprint", kRope}}}, {"a", {{"blueprint", kPick}}}}}}},
      {"itemsNull", {{"items", nullptr}}},
      {"empty", json::object()},
      {"countZero", {{"count", 0}, {"items", {{{"blueprint", kRope}}}}}},
      {"countNegative", {{"count", -4}, {"items", {{{"blueprint", kRope}}}}}},
      {"unsigned", {{"items", {{{"blueprint", kRope}, {"quantity", 4294967295ULL}}}}}},
      {"rangeEnds",
       {{"items",
         {{{"blueprint", kRope}, {"quantity", 2147483647.9}}, {{"blueprint", kPick}, {"quantity", -2147483648.9}}}}}},
  });
  const auto run = [&](const std::string& kit) {
    ClearRecord();
    Console("Bob", "kit " + kit);
    EXPECT_TRUE(ChatTo("Bob").empty()) << kit;
    std::vector<json> made;
    for (const json& call : CallsOf("UPrimalItem.AddNewItem")) made.push_back({call["args"][6], call["args"][4]});
    return made;
  };
  // true is 1 and false is 0, for counts and quantities alike.
  EXPECT_EQ(run("booleans"), std::vector<json>{json({0, 0.0})});
  EXPECT_EQ(LoadedNames(), (std::vector<std::string>{kRope, kPick}));
  // Fractions are cut toward zero; an integer quality is a number like any other.
  EXPECT_EQ(run("fractions"), std::vector<json>{json({-2, 3.0})});
  EXPECT_EQ(run("twoPointNine").size(), 2u);
  // An object of entries is walked in key order.
  run("itemsObject");
  EXPECT_EQ(LoadedNames(), (std::vector<std::string>{kPick, kRope}));
  for (const char* kit : {"itemsNull", "empty", "countZero", "countNegative"}) {
    EXPECT_TRUE(run(kit).empty()) << kit;
    EXPECT_TRUE(CallsOf("Global.StaticLoadObject").empty()) << kit;
  }
  // An unsigned value beyond the signed range wraps as the library converts it.
  EXPECT_EQ(run("unsigned"), std::vector<json>{json({-1, 0.0})});
  // Fractions just inside the 32-bit range are cut to its ends.
  EXPECT_EQ(run("rangeEnds"), (std::vector<json>{json({2147483647, 0.0}), json({-2147483648, 0.0})}));
  EXPECT_TRUE(EventsOf("handler-error").empty());
}

TEST_F(ItemTemplateTest, PassesTimesPathsTimesCount) {
  Start({{"twelve",
          {{"count", 3},
           {"items",
            {{{"blueprint", kTorch},
              {"blueprints", {"/Game/Items/Rope.Rope", "/Game/Items/Pick.Pick"}},
              {"count", 2},
              {"quantity", 3}}}}}}});
  Console("Alice", "kit twelve");
  EXPECT_EQ(CallsOf("UPrimalItem.AddNewItem").size(), 12u);
  std::vector<std::string> expected;
  for (int pass = 0; pass < 3; ++pass) expected.insert(expected.end(), {kRope, kRope, kPick, kPick});
  EXPECT_EQ(InventoryClasses("Alice"), expected);
  // Each path is loaded once per pass, before its creations.
  EXPECT_EQ(LoadedNames(), (std::vector<std::string>{kRope, kPick, kRope, kPick, kRope, kPick}));
  for (const json& item : Inventory("Alice")) EXPECT_EQ(item["quantity"], 3);
}

TEST_F(ItemTemplateTest, ListOfPathsReplacesTheSinglePath) {
  Start({{"both", {{"items", {{{"blueprint", kTorch}, {"blueprints", {kRope}}}}}}},
         {"emptyList", {{"items", {{{"blueprint", kTorch}, {"blueprints", json::array()}}}}}},
         {"neither", {{"items", {{{"quantity", 2}}}}}}});
  Console("Alice", "kit both");
  EXPECT_EQ(InventoryClasses("Alice"), std::vector<std::string>{kRope});
  EXPECT_EQ(LoadedNames(), std::vector<std::string>{kRope});
  ClearRecord();
  Console("Alice", "kit emptyList");
  EXPECT_EQ(LoadedNames(), std::vector<std::string>{kTorch});
  // No path at all still asks the game to load the empty name, which gives nothing.
  ClearRecord();
  Console("Alice", "kit neither");
  EXPECT_EQ(LoadedNames(), std::vector<std::string>{""});
  EXPECT_TRUE(CallsOf("UPrimalItem.AddNewItem").empty());
  EXPECT_TRUE(ChatTo("Alice").empty());
}

TEST_F(ItemTemplateTest, PathsThatLoadNoItemClassAreSkipped) {
  Start({{"mixed",
          {{"items",
            {{{"blueprints", {"/Game/Items/Nowhere.Nowhere", "/Game/Items/Table.Table"}}, {"count", 3}},
             {{"blueprint", kRope}, {"count", 0}},
             {{"blueprint", kPick}}}}}}});
  Console("Alice", "kit mixed");
  EXPECT_TRUE(ChatTo("Alice").empty());
  // The plain object is tested for being a class and skipped; a count of 0
  // still loads its class.
  EXPECT_EQ(LoadedNames(),
            (std::vector<std::string>{"/Game/Items/Nowhere.Nowhere_C", "/Game/Items/Table.Table_C", kRope, kPick}));
  EXPECT_EQ(InventoryClasses("Alice"), std::vector<std::string>{kPick});
}

TEST_F(ItemTemplateTest, EveryPathFormGivesTheSameItem) {
  const std::vector<std::string> forms = {"Blueprint'/Game/Items/Rope.Rope'", "/Game/Items/Rope.Rope",
                                          "/Game/Items/Rope.Rope_C",          "Blueprint'/Game/Items/Rope.Rope_C'",
                                          "/Game/Items/Rope.Rope'",           "Blueprint'/Game/Items/Rope.Rope"};
  json items = json::array();
  for (const std::string& form : forms) items.push_back({{"blueprint", form}});
  Start({{"forms", {{"items", items}}}, {"formList", {{"items", {{{"blueprints", forms}}}}}}});
  Console("Alice", "kit forms");
  Console("Bob", "kit formList");
  const std::vector<std::string> six(6, kRope);
  EXPECT_EQ(InventoryClasses("Alice"), six);
  EXPECT_EQ(InventoryClasses("Bob"), six);
}

TEST_F(ItemTemplateTest, PlayerWhoIsGoneGetsNothingMore) {
  Start({{"triple", {{"count", 3}, {"items", {{{"blueprint", kRope}, {"count", 2}}}}}}});
  Player("Carol")->online = false;
  Console("Carol", "kit triple");
  ExpectNothingGiven("Carol", {});

  // Alice disconnects during her first pass: that pass completes, the next
  // ones find no one.
  sim::AddCallListener([](const json& call) {
    if (call["call"] == "UPrimalItem.AddNewItem") sim::FindPlayer("Alice")->online = false;
  });
  Console("Alice", "kit triple");
  EXPECT_EQ(CallsOf("UPrimalItem.AddNewItem").size(), 2u);
  EXPECT_EQ(InventoryClasses("Alice"), (std::vector<std::string>{kRope, kRope}));
  EXPECT_TRUE(ChatTo("Alice").empty());
}

TEST_F(ItemTemplateTest, PlayerWithoutCharacterOrInventory) {
  WriteConfig(KitConfig({{"rope", {{"count", 2}, {"items", {{{"blueprint", kRope}, {"count", 2}}}}}}}));
  json world = ThreePlayers();
  world["players"].push_back({{"name", "Dave"}, {"steamId", 76561198000000004ULL}, {"character", false}});
  SetUpWorld(world);
  LoadPlugin();
  // A player between characters is told so, and nothing is tried.
  Console("Dave", "kit rope");
  EXPECT_TRUE(CallsOf("Global.StaticLoadObject").empty());
  EXPECT_TRUE(CallsOf("UPrimalItem.AddNewItem").empty());
  EXPECT_EQ(ChatTo("Dave"), std::vector<std::string>{"Dave has no character in the world right now."});

  Player("Bob")->Character->inventory = nullptr;
  ClearRecord();
  Console("Bob", "kit rope");
  EXPECT_EQ(CallsOf("Global.StaticLoadObject").size(), 2u);
  EXPECT_TRUE(CallsOf("UPrimalItem.AddNewItem").empty());
  EXPECT_TRUE(EventsOf("handler-error").empty());

  // The others are unaffected.
  Console("Alice", "kit rope");
  EXPECT_EQ(InventoryClasses("Alice").size(), 4u);

  // A character lost while the kit is given (killed by the first item's
  // arrival, say): the paths after it give nothing and touch nothing.
  sim::AddCallListener([](const json& call) {
    if (call["call"] == "UPrimalItem.AddNewItem") sim::FindPlayer("Carol")->Character = nullptr;
  });
  ClearRecord();
  Console("Carol", "kit rope");
  EXPECT_EQ(CallsOf("UPrimalItem.AddNewItem").size(), 2u);
  EXPECT_TRUE(EventsOf("handler-error").empty());
}

}  // namespace
