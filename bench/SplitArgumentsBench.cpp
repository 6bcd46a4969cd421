// Cutting a console line into words, the first step of every template command.
#include <benchmark/benchmark.h>

#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"

namespace {

void BM_SplitArguments(benchmark::State& state) {
  const FString line(WidenAsciiText("spawn   tamed_rex_group  extra words here "));
  TArray<FString> pieces;
  for (auto _ : state) benchmark::DoNotOptimize(SplitArguments(line, pieces));
}
BENCHMARK(BM_SplitArguments);

}  // namespace
