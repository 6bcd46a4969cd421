#include "support/PluginTest.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <random>

#include <unistd.h>

#include "orvanel/core/CommandTable.h"
#include "sandbox/game/Dump.h"
#include "sandbox/game/Memory.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

using nlohmann::json;

namespace {

void FailTheTest(const std::string& message) { ADD_FAILURE() << "contract violation: " << message; }

// Installed before any test runs, so that no violation stops the test binary.
const bool violationsFailTests = (sim::SetViolationHandler(&FailTheTest), true);

std::vector<std::string>* collectedViolations = nullptr;

void CollectViolation(const std::string& message) { collectedViolations->push_back(message); }

bool IsHostComplaint(const json& event) {
  return event["event"] == "log" && event["logger"] == "TalvexApi" &&
         (event["level"] == "warning" || event["level"] == "error" || event["level"] == "critical");
}

// "The command KEY failed: REASON" as the plugin logs it: the REASON, or nothing.
std::optional<std::string> CommandFailureOf(const json& event) {
  if (event["event"] != "log" || event["logger"] != "Dremmet" || event["level"] != "error") return std::nullopt;
  const std::string text = event["text"];
  const std::size_t failed = text.find(" failed: ");
  if (!text.starts_with("The command ") || failed == std::string::npos) return std::nullopt;
  return text.substr(failed + 9);
}

}  // namespace

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
  for (const json& event : sim::Events()) {
    if (event["event"] == "handler-error") {
      EXPECT_TRUE(handler_errors_expected_) << "an exception left a command into the host: " << event.dump();
    }
    if (!IsHostComplaint(event) && !CommandFailureOf(event)) continue;
    const std::string text = event["text"];
    const bool expected = std::any_of(expected_host_logs_.begin(), expected_host_logs_.end(), [&](const auto& entry) {
      return event["level"] == entry.first && text.find(entry.second) != std::string::npos;
    });
    EXPECT_TRUE(expected) << "the host logged at level " << event["level"].get<std::string>() << ": " << text;
  }
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

json PluginTest::ConfigWithCommands(const json& commands) {
  return {{"Commands", commands}, {"Features", json::object()}};
}

json PluginTest::StandardConfig() {
  // Each command's text is the first word of its sample line in the table.
  json commands = json::object();
  for (const CommandRow& row : kCommandRows) {
    const std::string sample = row.sample;
    commands[row.key] = {{"Command", sample.substr(0, sample.find(' '))}};
    if (row.HasCatalogue()) commands[row.key][row.catalogue.member] = json::object();
  }
  return ConfigWithCommands(commands);
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

std::vector<json> PluginTest::CallsSinceClear() const {
  const auto& calls = sim::Calls();
  return std::vector<json>(calls.begin() + static_cast<std::ptrdiff_t>(calls_seen_), calls.end());
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

std::vector<std::string> PluginTest::CommandFailures() const {
  std::vector<std::string> reasons;
  for (const json& event : EventsOf("log"))
    if (const std::optional<std::string> reason = CommandFailureOf(event)) reasons.push_back(*reason);
  return reasons;
}

void PluginTest::ExpectHostLog(const std::string& level, const std::string& fragment) {
  expected_host_logs_.emplace_back(level, fragment);
}

std::vector<std::string> PluginTest::ViolationsDuring(const std::function<void()>& action) {
  std::vector<std::string> violations;
  collectedViolations = &violations;
  sim::SetViolationHandler(&CollectViolation);
  try {
    action();
  } catch (const sim::ContractViolation&) {
  }
  sim::SetViolationHandler(&FailTheTest);
  collectedViolations = nullptr;
  return violations;
}

sim::Controller* PluginTest::Player(const std::string& name) const { return sim::FindPlayer(name); }

json PluginTest::Dump() const { return sim::DumpWorld(); }
