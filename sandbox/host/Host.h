// The stand-in host framework: it loads and unloads the plugin, keeps the
// commands the plugin registers, dispatches players' chat and console lines to
// them, shares its log sinks and answers the plugin's calls into the host.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <spdlog/logger.h>

#include "sandbox/game/Objects.h"

namespace sandbox {

struct HostOptions {
  // The server directory: the plugin's tree lies under it.
  std::filesystem::path root;
  // Print log lines on standard output (the log file is always written).
  bool consoleLog = true;
  bool color = false;
};

// Starts a fresh host with an empty world and nothing recorded.
void StartHost(const HostOptions& options);
// Unloads the plugin if it is loaded, then releases the world and the sinks.
void StopHost();

// Loads the plugin library; false (and a logged error) when it cannot be loaded.
bool LoadPlugin(const std::filesystem::path& library);
// Unloads it; registrations left behind are reported and dropped.
void UnloadPlugin();
bool PluginLoaded();

// Player `player` sends `text` in chat, or enters `line` on the console.
void Chat(sim::Controller* player, const std::string& text);
void Console(sim::Controller* player, const std::string& line);

// The host's own logger, over the same sinks that the plugin gets.
spdlog::logger& HostLog();

}  // namespace sandbox
