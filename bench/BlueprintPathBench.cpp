// Asset path normalisation against the regular expression it replaces (built
// per call, as a naive implementation would), and a large kit given through
// the sandbox with call tracing off.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/core/BlueprintPath.h"
#include "orvanel/game/AssetReference.h"
#include "orvanel/host/TalvexApi.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"

namespace {

const std::string kShortPath = "Blueprint'/Game/Items/Building/WoodFoundation.WoodFoundation'";

std::string LongPath() { return "Blueprint'/Game/" + std::string(10000 - 19, 'x') + "_C'"; }

// The regular-expression normalisation, built anew for each path.
std::string RegexNormalize(const std::string& path, bool wrap, bool class_suffix) {
  const std::regex pattern("^(Blueprint')?(.+?)(_C)?(')?$");
  std::cmatch match;
  if (!std::regex_match(path.c_str(), match, pattern)) return std::string();
  std::string result;
  if (wrap) result += "Blueprint'";
  result += match[2].str();
  if (class_suffix) result += "_C";
  if (wrap) result += "'";
  return result;
}

WideString RegexClassPath(const std::string& path) {
  const std::string normalized = RegexNormalize(path, false, true);
  return normalized.empty() ? WideString() : TalvexApi::Tools::ConvertToWideStr(normalized);
}

FString RegexBlueprintReference(const std::string& path) {
  const std::string normalized = RegexNormalize(path, true, false);
  return normalized.empty() ? FString() : FString(TalvexApi::Tools::ConvertToWideStr(normalized));
}

// The normalisation itself, without the conversion to wide text.
void BM_NormalizeBlueprintPath_Short(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(NormalizeBlueprintPath(kShortPath, false, true));
}
BENCHMARK(BM_NormalizeBlueprintPath_Short);

void BM_RegexNormalize_Short(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RegexNormalize(kShortPath, false, true));
}
BENCHMARK(BM_RegexNormalize_Short);

void BM_ToClassPath_Short(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ToClassPath(kShortPath));
}
BENCHMARK(BM_ToClassPath_Short);

void BM_RegexClassPath_Short(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RegexClassPath(kShortPath));
}
BENCHMARK(BM_RegexClassPath_Short);

void BM_ToBlueprintReference_Short(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ToBlueprintReference(kShortPath));
}
BENCHMARK(BM_ToBlueprintReference_Short);

void BM_RegexBlueprintReference_Short(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RegexBlueprintReference(kShortPath));
}
BENCHMARK(BM_RegexBlueprintReference_Short);

void BM_ToClassPath_10000(benchmark::State& state) {
  const std::string path = LongPath();
  for (auto _ : state) benchmark::DoNotOptimize(ToClassPath(path));
}
BENCHMARK(BM_ToClassPath_10000);

void BM_RegexClassPath_10000(benchmark::State& state) {
  const std::string path = LongPath();
  for (auto _ : state) benchmark::DoNotOptimize(RegexClassPath(path));
}
BENCHMARK(BM_RegexClassPath_10000);

void BM_ToBlueprintReference_10000(benchmark::State& state) {
  const std::string path = LongPath();
  for (auto _ : state) benchmark::DoNotOptimize(ToBlueprintReference(path));
}
BENCHMARK(BM_ToBlueprintReference_10000);

void BM_RegexBlueprintReference_10000(benchmark::State& state) {
  const std::string path = LongPath();
  for (auto _ : state) benchmark::DoNotOptimize(RegexBlueprintReference(path));
}
BENCHMARK(BM_RegexBlueprintReference_10000);

// One player and one item class; the kit makes 1,000 items in one command.
nlohmann::json KitWorld() {
  return {{"assets", {{"items", {"/Game/Items/Rope.Rope_C", "/Game/Items/Pick.Pick_C"}}}},
          {"players", {{{"name", "Alice"}, {"steamId", 76561198000000001ULL}}}}};
}

void BM_GiveKitOf1000Items(benchmark::State& state) {
  std::random_device seed;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("orvanel-bench-" + std::to_string(seed()));
  std::filesystem::create_directories(root / "TalvexApi" / "Plugins" / "Orvanel");
  const nlohmann::json config = {
      {"Commands",
       {{"ItemTemplate_Console",
         {{"Command", "kit"},
          {"Templates",
           {{"big",
             {{"count", 10},
              {"items",
               {{{"blueprint", "Blueprint'/Game/Items/Rope.Rope'"}, {"quantity", 5}, {"count", 50}},
                {{"blueprints", {"/Game/Items/Pick.Pick", "/Game/Items/Rope.Rope_C"}}, {"count", 25}}}}}}}}}}}}};
  std::ofstream(root / "TalvexApi" / "Plugins" / "Orvanel" / "config.json") << config.dump();
  sandbox::StartHost({root, false, false});
  sim::LoadWorld(KitWorld());
  if (!sandbox::LoadPlugin(ORVANEL_PLUGIN_PATH)) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  sim::SetCallTracing(false);
  for (auto _ : state) {
    sandbox::Console(sim::FindPlayer("Alice"), "kit big");
    state.PauseTiming();
    // Keep the world small: start it afresh once the inventory has grown.
    if (sim::FindPlayer("Alice")->Character->inventory->items.size() >= 50000) {
      sim::ResetWorld();
      sim::LoadWorld(KitWorld());
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
  sandbox::StopHost();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}
BENCHMARK(BM_GiveKitOf1000Items)->Unit(benchmark::kMillisecond);

}  // namespace
