// The fixture of the feature tests: every command of the table with three kits, three
// creature groups and two locations, a world whose assets hold most of their
// paths, and features switched on by name.
#pragma once

#include <string>
#include <vector>

#include "support/PluginTest.h"

class FeatureTest : public PluginTest {
 protected:
  static constexpr unsigned long long kAliceId = 76561198000000001ULL;
  static constexpr unsigned long long kBobId = 76561198000000002ULL;

  // The standard commands with their catalogues, and each named feature's
  // entry "Enabled": true. "hunter" asks for one item that loads nothing,
  // "dodos" for one stock item that loads nothing, "ghosts" for a creature that
  // spawns nothing.
  static nlohmann::json FeatureConfig(const std::vector<std::string>& features) {
    using nlohmann::json;
    json config = StandardConfig();
    for (const std::string& feature : features) config["Features"][feature] = {{"Enabled", true}};
    json& commands = config["Commands"];
    commands["ItemTemplate_Console"]["Templates"] = {
        {"builder",
         {{"items",
           {{{"blueprint", "/Game/Items/Wall.Wall"}, {"quantity", 30}, {"count", 5}},
            {{"blueprints",
              {"/Game/Items/Hatchet.Hatchet", "/Game/Items/Pick.Pick_C", "Blueprint'/Game/Items/Torch.Torch'"}}}}}}},
        {"hunter",
         {{"items", {{{"blueprint", "/Game/Items/Spear.Spear"}, {"count", 3}}, {{"blueprint", "/Game/Items/X.X"}}}}}},
        {"medic", {{"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}}}};
    commands["SpawnTemplate_Console"]["Templates"] = {
        {"raptors",
         {{"blueprint", "/Game/Creatures/Raptor.Raptor"},
          {"count", 4},
          {"saddleBlueprint", "/Game/Items/Saddle.Saddle"}}},
        {"dodos",
         {{"blueprint", "/Game/Creatures/Dodo.Dodo"}, {"count", 2}, {"items", {{{"blueprint", "/Game/Items/Y.Y"}}}}}},
        {"ghosts", {{"blueprint", "/Game/Creatures/Ghost.Ghost"}, {"count", 2}}}};
    commands["TeleportTo_Console"]["Locations"] = {{"Camp", {{"x", 1500}, {"y", -200}, {"z", 30}}},
                                                   {"Lake", {{"x", -4000.5}, {"y", 2200}}}};
    return config;
  }

  // Alice, Bob and Carol; two creatures of Alice's team stand near her.
  static nlohmann::json FeatureWorld() {
    nlohmann::json world = ThreePlayers();
    world["assets"] = {
        {"items",
         {"/Game/Items/Wall.Wall_C", "/Game/Items/Hatchet.Hatchet_C", "/Game/Items/Pick.Pick_C",
          "/Game/Items/Torch.Torch_C", "/Game/Items/Spear.Spear_C", "/Game/Items/Bandage.Bandage_C",
          "/Game/Items/Saddle.Saddle_C"}},
        {"creatures", {"Blueprint'/Game/Creatures/Raptor.Raptor'", "Blueprint'/Game/Creatures/Dodo.Dodo'"}}};
    world["creatures"] = {{{"nameTag", "Rex"}, {"team", 1001}, {"position", {100, 0, 0}}},
                          {{"nameTag", "Rex"}, {"team", 1001}, {"position", {0, 200, 0}}}};
    return world;
  }

  void Start(const nlohmann::json& config) {
    WriteConfig(config);
    AddWorld(FeatureWorld());
    LoadPlugin();
  }

  // The texts the plugin logged at `level` ("info", "warning").
  std::vector<std::string> PluginLogs(const std::string& level) const {
    std::vector<std::string> texts;
    for (const nlohmann::json& log : EventsOf("log"))
      if (log["logger"] == "Dremmet" && log["level"] == level) texts.push_back(log["text"]);
    return texts;
  }

  nlohmann::json PlayerDump(const std::string& name) const {
    const nlohmann::json world = Dump();
    for (const nlohmann::json& player : world["players"])
      if (player["name"] == name) return player;
    return nullptr;
  }

  std::size_t CreatureCount() const { return Dump()["creatures"].size(); }
};
