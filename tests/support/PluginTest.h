// The end-to-end fixture: a server directory on disk with the test's
// config.json, a small world, the plugin library loaded anew, and players'
// typed lines. Each test ends by checking that the game allocator's live blocks
// are back where they started (blocks that world objects own aside) and that the
// host logged no warning or error the test did not expect. A contract violation
// the game detects fails the test that caused it.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "sandbox/game/Objects.h"

// What a player reads when the entry they named is missing, or cannot be read.
inline constexpr const char* kMissingEntryReply = "The template does not exist! Maybe you forgot to reload..?";
inline constexpr const char* kFaultyEntryReply = "Failed to read template...";

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // config.json of the server directory, as JSON or as raw text.
  void WriteConfig(const nlohmann::json& config);
  void WriteConfigText(const std::string& text);
  void RemoveConfig();
  // A config whose "Commands" holds the given entries as they stand.
  static nlohmann::json ConfigWithCommands(const nlohmann::json& commands);
  // Every command enabled under a short text: "/health" (chat), "reload",
  // "health", "kit", "spawn", "tp".
  static nlohmann::json StandardConfig();

  void AddWorld(const nlohmann::json& world);
  // Alice (team 1001), Bob (team 1001) and Carol (team 2002).
  static nlohmann::json ThreePlayers();

  void LoadPlugin();
  void UnloadPlugin();

  void Chat(const std::string& player, const std::string& text);
  void Console(const std::string& player, const std::string& line);

  // Recorded events of one kind ("chat", "log", "register", ...), in order.
  std::vector<nlohmann::json> EventsOf(const std::string& kind) const;
  // The texts of the chat lines sent to `player`.
  std::vector<std::string> ChatTo(const std::string& player) const;
  // Every game call recorded since the last ClearRecord, in order.
  std::vector<nlohmann::json> CallsSinceClear() const;
  // Recorded game calls of one function, in order.
  std::vector<nlohmann::json> CallsOf(const std::string& name) const;
  // Forgets what was recorded so far.
  void ClearRecord();

  // A host log line of `level` ("warning", "error") holding `fragment` is
  // expected; any other host warning or error fails the test, and so does a
  // command failure the plugin logs ("The command KEY failed: ...") unless
  // expected so.
  void ExpectHostLog(const std::string& level, const std::string& fragment);
  // The reasons of the command failures the plugin logged since the last
  // ClearRecord, in order: "The command KEY failed: REASON" gives REASON.
  std::vector<std::string> CommandFailures() const;
  // The host's own report of an exception that left a plugin's callback is
  // expected; without this, one fails the test (the plugin lets none out).
  void ExpectHandlerError() { handler_errors_expected_ = true; }
  // The contract violations the game reports while `action` runs, instead of
  // failing the test with them.
  static std::vector<std::string> ViolationsDuring(const std::function<void()>& action);

  sim::Controller* Player(const std::string& name) const;
  nlohmann::json Dump() const;

  std::filesystem::path root_;

 private:
  std::size_t baseline_blocks_ = 0;
  std::size_t events_seen_ = 0;
  std::size_t calls_seen_ = 0;
  std::vector<std::pair<std::string, std::string>> expected_host_logs_;
  bool handler_errors_expected_ = false;
};
