// The console health survey through the sandbox over worlds of many creature
// actors, beside a baseline loop that reads the same fields of the same
// creatures through plain pointers. Counters give both times per survey, their
// ratio, and the survey's share of a 30 Hz server tick.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

constexpr int32_t kCallerTeam = 1001;
constexpr int32_t kOtherTeam = 2002;
constexpr double kTickMicroseconds = 1e6 / 30.0;

// A server with the console health command, one caller at the origin and
// `count` creatures: every hundredth on the caller's team within range, the
// others of another team close by or of the caller's team far away.
class SurveyServer {
 public:
  explicit SurveyServer(int64_t count) {
    root_ = std::filesystem::temp_directory_path() / ("orvanel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root_ / "TalvexApi" / "Plugins" / "Orvanel");
    std::ofstream(root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json")
        << R"({"Commands": {"Health_Console": {"Command": "health"}}, "Features": {}})";
    sandbox::StartHost({root_, false, false});
    sim::LoadWorld({{"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}, {"team", kCallerTeam}}}}});
    caller_ = sim::FindPlayer("Alice");

    const std::array<WideString, 8> tags{TEXT("Rex"),   TEXT("Raptor"), TEXT("Argentavis"), TEXT("Dodo"),
                                         TEXT("Trike"), TEXT("Stego"),  TEXT("Pteranodon"), TEXT("Brontosaurus")};
    std::array<FName, 8> names;
    for (std::size_t i = 0; i < tags.size(); ++i) names[i] = sim::MakeName(tags[i]);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> angle(0.0f, 6.2831853f), near(0.0f, 4900.0f), far(6000.0f, 60000.0f),
        health(0.0f, 1.0f);
    for (int64_t i = 0; i < count; ++i) {
      sim::Creature* creature = sim::NewCreature(&sim::classes::APrimalDinoCharacter);
      const bool counted = i % 100 == 0;
      const bool other_team = !counted && i % 2 == 1;
      creature->TargetingTeam = other_team ? kOtherTeam : kCallerTeam;
      const float a = angle(random), r = counted || other_team ? near(random) : far(random);
      creature->RootComponent->location = FVector{r * std::cos(a), r * std::sin(a), 0.0f};
      creature->DinoNameTag = names[std::size_t(i) % names.size()];
      creature->status->MaxStatusValues[0] = 1000.0f;
      creature->status->CurrentStatusValues[0] = std::round(1000.0f * health(random));
    }
    sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH);
    sim::SetCallTracing(false);
  }
  ~SurveyServer() {
    sandbox::StopHost();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  void Survey() {
    sandbox::Console(caller_, "health");
    // Recorded events are kept for tests; a benchmark drops them now and then.
    if (++surveys_ % 256 == 0) {
      sim::ResetRecorder();
      sim::SetCallTracing(false);
    }
  }

  // What the survey reads, read directly: team, root component and location of
  // every creature, then name tag and health of those of the team in range.
  double Baseline() const {
    const FVector position = caller_->DefaultActorLocation;
    double total = 0.0;
    for (const sim::Creature* creature : sim::GetWorld().creatures) {
      const int32_t team = creature->TargetingTeam;
      const sim::SceneComponent* root = creature->RootComponent;
      if (root == nullptr) continue;
      const FVector location = root->location;
      if (team != caller_->TargetingTeam) continue;
      const double dx = static_cast<double>(location.X - position.X);
      const double dy = static_cast<double>(location.Y - position.Y);
      if (!(dx * dx + dy * dy < 25000000.0)) continue;
      const FName name = creature->DinoNameTag;
      const sim::StatusComponent* status = creature->status;
      if (status == nullptr) continue;
      total += double(status->MaxStatusValues[0]) + double(status->CurrentStatusValues[0]) + name.ComparisonIndex;
    }
    return total;
  }

 private:
  std::filesystem::path root_;
  sim::Controller* caller_ = nullptr;
  uint64_t surveys_ = 0;
};

// Time this thread has run, in microseconds: other work on a shared machine
// does not count against either loop.
double ThreadMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

void BM_HealthSurveyConsole(benchmark::State& state) {
  SurveyServer server(state.range(0));
  // Each survey is followed, untimed by the framework, by one baseline pass:
  // both see the same machine and the same warm caches.
  double survey = 0.0, baseline = 0.0;
  for (auto _ : state) {
    const double survey_start = ThreadMicroseconds();
    server.Survey();
    survey += ThreadMicroseconds() - survey_start;
    state.PauseTiming();
    const double baseline_start = ThreadMicroseconds();
    benchmark::DoNotOptimize(server.Baseline());
    baseline += ThreadMicroseconds() - baseline_start;
    state.ResumeTiming();
  }
  const double rounds = double(state.iterations());
  state.counters["survey_us"] = survey / rounds;
  state.counters["baseline_us"] = baseline / rounds;
  state.counters["ratio"] = survey / baseline;
  state.counters["tick_share"] = survey / rounds / kTickMicroseconds;
}
BENCHMARK(BM_HealthSurveyConsole)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

}  // namespace
