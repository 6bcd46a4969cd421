#include "FuzzSandbox.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "sandbox/game/Memory.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

fs::path& Root() {
  static fs::path root;
  return root;
}

const nlohmann::json& ExampleWorld() {
  static const nlohmann::json world =
      nlohmann::json::parse(ReadFile(fs::path(ORVANEL_EXAMPLES_DIR) / "worlds" / "example.json"));
  return world;
}

}  // namespace

const std::string& ExampleConfig() {
  static const std::string text =
      ReadFile(fs::path(ORVANEL_EXAMPLES_DIR) / "server" / "TalvexApi" / "Plugins" / "Orvanel" / "config.json");
  return text;
}

void StartFuzzSandbox() {
  if (!Root().empty()) return;
  const fs::path scratch = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  Root() = scratch / ("orvanel-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(Root() / "TalvexApi" / "Plugins" / "Orvanel");
  fs::create_directories(Root() / "TalvexApi" / "Logs");
  // Millions of inputs log millions of lines: the host's log file is a sink that keeps nothing.
  std::error_code ignored;
  fs::remove(Root() / "TalvexApi" / "Logs" / "TalvexApi.log", ignored);
  fs::create_symlink("/dev/null", Root() / "TalvexApi" / "Logs" / "TalvexApi.log");
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(Root(), ignored);
  });
  sandbox::StartHost({Root(), false, false});
  sim::SetKeeping(false);
  sim::LoadWorld(ExampleWorld());
}

void WriteFuzzConfig(std::string_view text) {
  std::ofstream file(Root() / "TalvexApi" / "Plugins" / "Orvanel" / "config.json", std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void RemakeFuzzWorld() {
  sim::ResetWorld();
  sim::LoadWorld(ExampleWorld());
}

sim::Controller* FuzzPlayer(std::size_t index) {
  const auto& players = sim::GetWorld().players;
  return players[index % players.size()];
}

std::size_t GameBlocks() { return sim::LiveBlocks() - sim::WorldHeldBlocks(); }

void CheckGameBlocks(std::size_t before, const char* after) {
  const std::size_t now = GameBlocks();
  if (now == before) return;
  std::fprintf(stderr, "game memory: %zu live blocks before %s, %zu after\n", before, after, now);
  std::abort();
}
