// Spawning a group of 100 levelled, saddled, stocked and imprinted creatures
// through the sandbox, as a player's console line does. The world is laid anew
// before every group (outside the timing), so each group starts from the same
// world; call tracing is off.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

using nlohmann::json;

constexpr int kGroupSize = 100;

json BenchWorld() {
  return {{"assets",
           {{"creatures", {"Blueprint'/Game/Bench/Rex.Rex'"}},
            {"items", {"/Game/Bench/Saddle.Saddle_C", "/Game/Bench/Meat.Meat_C", "/Game/Bench/Berry.Berry_C"}}}},
          {"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", 1001}}}}};
}

json BenchConfig() {
  const json group = {{"blueprint", "/Game/Bench/Rex.Rex"},
                      {"saddleBlueprint", "/Game/Bench/Saddle.Saddle"},
                      {"saddleArmor", 40},
                      {"imprint", 1},
                      {"facing", "outwards"},
                      {"aggressionLevel", "neutral"},
                      {"count", kGroupSize},
                      {"radius", 2000},
                      {"baseLevelHealth", 20},
                      {"baseLevelStamina", 10},
                      {"baseLevelMeleeDamage", 15},
                      {"tamedLevelHealth", 10},
                      {"tamedLevelWeight", 5},
                      {"items",
                       {{{"blueprint", "/Game/Bench/Meat.Meat"}, {"quantity", 20}, {"count", 2}},
                        {{"blueprint", "/Game/Bench/Berry.Berry"}, {"quantity", 50}}}}};
  return {{"Commands", {{"SpawnTemplate_Console", {{"Command", "spawn"}, {"Templates", {{"group", group}}}}}}}};
}

void BM_SpawnGroupOf100(benchmark::State& state) {
  std::random_device seed;
  const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                     ("orvanel-bench-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
  std::filesystem::create_directories(root / "TalvexApi" / "Plugins" / "Orvanel");
  std::ofstream(root / "TalvexApi" / "Plugins" / "Orvanel" / "config.json") << BenchConfig().dump();
  sandbox::StartHost({root, false, false});
  sim::SetCallTracing(false);
  if (!sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH)) {
    state.SkipWithError("the plugin did not load");
    return;
  }

  for (auto _ : state) {
    state.PauseTiming();
    sim::ResetWorld();
    sim::LoadWorld(BenchWorld());
    sim::Controller* alice = sim::FindPlayer("Alice");
    state.ResumeTiming();
    sandbox::Console(alice, "spawn group");
  }
  if (sim::GetWorld().creatures.size() != kGroupSize) state.SkipWithError("the group was not spawned whole");
  state.counters["per_creature"] =
      benchmark::Counter(kGroupSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);

  sandbox::StopHost();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}
BENCHMARK(BM_SpawnGroupOf100)->Unit(benchmark::kMicrosecond);

}  // namespace
