// Reading config.json of many sibling kits, against a plain parse of the same
// file as the baseline, and a kit or teleport command against a large catalogue:
// the nesting limit and the command's lookup must stay within a small factor of
// the work the file's size asks for.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "orvanel/core/ConfigState.h"
#include "orvanel/run/Config.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

using nlohmann::json;

json KitCatalogue(int kits) {
  json templates = json::object();
  for (int kit = 0; kit < kits; ++kit)
    templates["kit" + std::to_string(kit)] = {
        {"count", 1},
        {"items",
         {{{"blueprint", "/Game/Bench/Meat.Meat"}, {"quantity", 20}, {"quality", 0.5}},
          {{"blueprints", {"/Game/Bench/Berry.Berry", "/Game/Bench/Stone.Stone"}}, {"quantity", 5}}}}};
  json locations = json::object();
  for (int location = 0; location < kits; ++location)
    locations["place" + std::to_string(location)] = {{"x", location}, {"y", -location}, {"z", 30}};
  return {{"Commands",
           {{"ItemTemplate_Console", {{"Command", "kit"}, {"Templates", templates}}},
            {"TeleportTo_Console", {{"Command", "tp"}, {"Locations", locations}}},
            {"SaveLocation_Console", {{"Command", "savehere"}}}}}};
}

// A server directory holding config.json with `kits` kits, removed when it ends.
struct BenchServer {
  std::filesystem::path root;
  explicit BenchServer(int kits) {
    std::random_device seed;
    root = std::filesystem::temp_directory_path() /
           ("orvanel-bench-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(root / "TalvexApi" / "Plugins" / "Orvanel");
    std::ofstream(ConfigPath()) << KitCatalogue(kits).dump();
    sandbox::StartHost({root, false, false});
    sim::SetCallTracing(false);
  }
  ~BenchServer() {
    sandbox::StopHost();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  std::filesystem::path ConfigPath() const { return root / "TalvexApi" / "Plugins" / "Orvanel" / "config.json"; }
};

void BM_ReadConfigKits(benchmark::State& state) {
  BenchServer server(static_cast<int>(state.range(0)));
  const std::string path = GetConfigPath();
  for (auto _ : state) benchmark::DoNotOptimize(LoadConfigState(path, ReadConfigFile(path)));
}
BENCHMARK(BM_ReadConfigKits)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

// The baseline: the same file through the JSON library's parser, no checks.
void BM_PlainParseKits(benchmark::State& state) {
  BenchServer server(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream file(server.ConfigPath());
    benchmark::DoNotOptimize(json::parse(file));
  }
}
BENCHMARK(BM_PlainParseKits)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

// One console line of the loaded plugin against a catalogue of 2,000 kits and
// 2,000 locations.
void RunCommandAgainstCatalogue(benchmark::State& state, const std::string& line) {
  BenchServer server(2000);
  sim::LoadWorld({{"assets", {{"items", {"/Game/Bench/Meat.Meat_C"}}}},
                  {"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", 1001}}}}});
  if (!sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH)) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  sim::Controller* alice = sim::FindPlayer("Alice");
  for (auto _ : state) sandbox::Console(alice, line);
}

void BM_KitCommandAgainst2000Kits(benchmark::State& state) { RunCommandAgainstCatalogue(state, "kit kit1000"); }
BENCHMARK(BM_KitCommandAgainst2000Kits)->Unit(benchmark::kMicrosecond);

void BM_TeleportAgainst2000Locations(benchmark::State& state) { RunCommandAgainstCatalogue(state, "tp place1000"); }
BENCHMARK(BM_TeleportAgainst2000Locations)->Unit(benchmark::kMicrosecond);

// Saving a location into the file of `kits` kits and as many locations, the
// whole command: the file read and compared, the member placed, the file
// written, flushed and renamed. Against BM_PlainParseKits: at most twice.
void BM_SaveLocationKits(benchmark::State& state) {
  BenchServer server(static_cast<int>(state.range(0)));
  sim::LoadWorld({{"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", 1001}}}}});
  if (!sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH)) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  sim::Controller* alice = sim::FindPlayer("Alice");
  int64_t saves = 0;
  for (auto _ : state) {
    alice->DefaultActorLocation.X = static_cast<float>(++saves);
    sandbox::Console(alice, "savehere place1000 replace");
    if (saves % 64 == 0) sim::ResetRecorder();
  }
}
BENCHMARK(BM_SaveLocationKits)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace
