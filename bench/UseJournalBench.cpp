// Recording one use in the journal that holds 100,000 records, as a kit given
// with a cooldown records it: the time of each recording is taken, and the
// counters give the median and the 99th percentile in microseconds. And the
// opening of a journal of 10,000 records with one junk line among them: the
// counter "kept" is how many records the opening kept.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
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

void OpeningAJournalWithOneJunkLine(benchmark::State& state) {
  constexpr uint64_t kMany = 10000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("orvanel-bench-junk-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = folder / kUseJournalFile;
  std::string text;
  for (uint64_t i = 0; i < kMany; ++i) {
    if (i == kMany / 2) text += "an editor's stray line\n";
    text += "[" + std::to_string(76561198000000000ULL + i) + ",\"ItemTemplate_Console\",\"starter\",1," +
            std::to_string(i) + "]\n";
  }
  std::size_t kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary) << text;
    state.ResumeTiming();
    UseJournalOpening opening = OpenUseJournal(path, "bench");
    benchmark::DoNotOptimize(opening.store.get());
    state.PauseTiming();
    kept = ReadUseRecords(path).size();
    if (opening.skippedLines.size() != 1) state.SkipWithError("the junk line was not named");
    opening.store.reset();
    state.ResumeTiming();
  }
  state.counters["kept"] = static_cast<double>(kept);
  std::filesystem::remove_all(folder);
}
BENCHMARK(OpeningAJournalWithOneJunkLine)->Unit(benchmark::kMillisecond);

}  // namespace
