#include "support/PluginTest.h"

#include <fstream>
#include <random>

#include <unistd.h>

#include "sandbox/game/Memory.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

using nlohmann::json;

void PluginTest::SetUp() {
  std::random_device seed;
  root_ = std::filesystem::temp_directory_path() /
          ("orvanel-test-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
  std::filesystem::create_directories(root_ / "TalvexApi" / "Plugins" / "Orvanel");
  sandbox::StartHost({root_, false, false});
  baseline_blocks_ = sim::LiveBlocks();
}

void PluginTest::TearDown() {
  UnloadPlugin();
  EXPECT_EQ(sim::LiveBlocks() - sim::WorldHeldBlocks(), baseline_blocks_)
      << "game memory blocks were left behind or freed twice";
  sandbox::StopHost();
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void PluginTest::WriteConfig(const json& config) { WriteConfigText(config.dump(2)); }

void PluginTest::WriteConfigText(const std::string& text) {
  std::ofstream file(root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json", std::ios::binary);
  file << text;
}

void PluginTest::RemoveConfig() {
  std::filesystem::remove(root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json");
}

json PluginTest::ConfigWithCommands(const json& commands) { return {{"Commands", commands}, {"Features", json::object()}}; }

json PluginTest::StandardConfig() {
  return ConfigWithCommands({{"Health_Chat", {{"Command", "/health"}}},
                             {"ReloadConfig_Console", {{"Command", "reload"}}},
                             {"Health_Console", {{"Command", "health"}}},
                             {"ItemTemplate_Console", {{"Command", "kit"}, {"Templates", json::object()}}},
                             {"SpawnTemplate_Console", {{"Command", "spawn"}, {"Templates", json::object()}}},
                             {"TeleportTo_Console", {{"Command", "tp"}, {"Locations", json::object()}}}});
}

void PluginTest::AddWorld(const json& world) { sim::LoadWorld(world); }

json PluginTest::ThreePlayers() {
  return {{"players",
           {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", 1001}, {"position", {0, 0, 0}}},
            {{"name", "Bob"}, {"steamId", 76561198000000002ULL}, {"team", 1001}, {"position", {100, 0, 0}}},
            {{"name", "Carol"}, {"steamId", 76561198000000003ULL}, {"team", 2002}, {"position", {0, 100, 0}}}}}};
}

void PluginTest::LoadPlugin() { ASSERT_TRUE(sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH)); }

void PluginTest::UnloadPlugin() { sandbox::UnloadPlugin(); }

void PluginTest::Chat(const std::string& player, const std::string& text) {
  sim::Controller* controller = Player(player);
  ASSERT_NE(controller, nullptr);
  sandbox::Chat(controller, text);
}

void PluginTest::Console(const std::string& player, const std::string& line) {
  sim::Controller* controller = Player(player);
  ASSERT_NE(controller, nullptr);
  sandbox::Console(controller, line);
}

std::vector<json> PluginTest::EventsOf(const std::string& kind) const {
  std::vector<json> found;
  const auto& events = sim::Events();
  for (std::size_t i = events_seen_; i < events.size(); ++i)
    if (events[i]["event"] == kind) found.push_back(events[i]);
  return found;
}

std::vector<std::string> PluginTest::ChatTo(const std::string& player) const {
  std::vector<std::string> texts;
  for (const json& event : EventsOf("chat"))
    if (event["to"] == player) texts.push_back(event["text"]);
  return texts;
}

std::vector<json> PluginTest::CallsOf(const std::string& name) const {
  std::vector<json> found;
  const auto& calls = sim::Calls();
  for (std::size_t i = calls_seen_; i < calls.size(); ++i)
    if (calls[i]["call"] == name) found.push_back(calls[i]);
  return found;
}

void PluginTest::ClearRecord() {
  events_seen_ = sim::Events().size();
  calls_seen_ = sim::Calls().size();
}

sim::Controller* PluginTest::Player(const std::string& name) const { return sim::FindPlayer(name); }

json PluginTest::Dump() const { return sim::DumpWorld(); }
