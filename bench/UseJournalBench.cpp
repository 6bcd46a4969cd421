// Recording one use in the journal that holds 100,000 records, as a kit given
// with a cooldown records it: the time of each recording is taken, and the
// counters give the median and the 99th percentile in microseconds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "orvanel/core/UseJournal.h"

namespace {

constexpr uint64_t kRecords = 100000;

void RecordingAUse(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("orvanel-bench-journal-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = folder / kUseJournalFile;
  {
    UseJournalOpening filling = OpenUseJournal(path, "bench");
    for (uint64_t i = 0; i < kRecords; ++i)
      filling.store->Record(UseKey{76561198000000000ULL + i, "ItemTemplate_Console", "starter"}, 0);
  }
  UseJournalOpening opening = OpenUseJournal(path, "bench");
  std::vector<double> micros;
  uint64_t player = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const UseKey key{76561198000000000ULL + player++ % kRecords, "ItemTemplate_Console", "starter"};
    benchmark::DoNotOptimize(opening.store->Record(key, static_cast<int64_t>(player)));
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  if (!micros.empty()) {
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  }
  opening.store.reset();
  std::filesystem::remove_all(folder);
}
BENCHMARK(RecordingAUse)->Unit(benchmark::kMicrosecond);

}  // namespace
