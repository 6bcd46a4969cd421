// Finding a caller's spawned group again among many creatures, the despawn
// command's one pass over the game's creatures, beside the console health
// survey's pass over the same world: both through the sandbox, with the group
// spawned anew, untimed, before each removal.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

// A server with the survey, group and despawn commands, one caller and
// `count` creatures of the caller's team around the origin.
class DespawnServer {
 public:
  explicit DespawnServer(int64_t count) {
    root_ = std::filesystem::temp_directory_path() / ("orvanel-bench-despawn-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root_ / "TalvexApi" / "Plugins" / "Orvanel");
    std::ofstream(root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json")
        << R"({"Commands": {"Health_Console": {"Command": "health"},
                            "SpawnTemplate_Console": {"Command": "spawn", "Templates":
                              {"pack": {"blueprint": "/Game/Bench/Rex.Rex", "count": 10}}},
                            "Despawn_Console": {"Command": "despawn"}}, "Features": {}})";
    sandbox::StartHost({root_, false, false});
    sim::LoadWorld({{"assets", {{"creatures", {"Blueprint'/Game/Bench/Rex.Rex'"}}}},
                    {"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", 1001}}}}});
    caller_ = sim::FindPlayer("Alice");
    for (int64_t i = 0; i < count; ++i) {
      sim::Creature* creature = sim::NewCreature(&sim::classes::APrimalDinoCharacter);
      creature->TargetingTeam = 1001;
      const int64_t row = i / 1000;
      creature->RootComponent->location = FVector{static_cast<float>(i % 1000), static_cast<float>(row), 0.0f};
      creature->status->MaxStatusValues[0] = 1000.0f;
      creature->status->CurrentStatusValues[0] = 500.0f;
    }
    loaded_ = sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH);
    sim::SetCallTracing(false);
  }
  ~DespawnServer() {
    sandbox::StopHost();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  bool Loaded() const { return loaded_; }
  void Type(const char* line) {
    sandbox::Console(caller_, line);
    if (++lines_ % 256 == 0) {
      sim::ResetRecorder();
      sim::SetCallTracing(false);
    }
  }

 private:
  std::filesystem::path root_;
  sim::Controller* caller_ = nullptr;
  bool loaded_ = false;
  uint64_t lines_ = 0;
};

void BM_DespawnGroup(benchmark::State& state) {
  DespawnServer server(state.range(0));
  if (!server.Loaded()) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    server.Type("spawn pack");
    state.ResumeTiming();
    server.Type("despawn");
  }
}
BENCHMARK(BM_DespawnGroup)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HealthSurveyBeside(benchmark::State& state) {
  DespawnServer server(state.range(0));
  if (!server.Loaded()) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  for (auto _ : state) server.Type("health");
}
BENCHMARK(BM_HealthSurveyBeside)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
