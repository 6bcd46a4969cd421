// The shared store against the real PostgreSQL and MariaDB servers of the
// tests (started once for the process): a claim's round trip, Claim and Keep on
// a record that exists, as the game thread sees it, with counters p50_us and
// p99_us; and, with the server killed and WaitMs 50, the longest the game
// thread waited in one Claim (counter longest_wait_ms). A server that cannot be
// started skips its benchmarks with the reason.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "orvanel/store/SharedStore.h"
#include "store/Databases.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t kFirstPlayer = 76561198000000000ULL;
// Players claiming in turn, each record made before the timing begins.
constexpr uint64_t kPlayers = 100;
constexpr int64_t kCooldownMs = 1000;
// The tests' reconnecting pauses, so that a server started again is found soon.
const ReconnectPauses kQuick{20, 200};

// The engine's server, started at first use, or null with the store skipped.
TestDatabase* ServerOr(benchmark::State& state, const std::string& engine) {
  std::string why;
  try {
    TestDatabase* database = DatabaseOf(engine, why);
    if (database == nullptr) state.SkipWithError((engine + " cannot be started: " + why).c_str());
    return database;
  } catch (const std::exception& failure) {
    state.SkipWithError((engine + " cannot be started: " + failure.what()).c_str());
    return nullptr;
  }
}

// A store on a fresh database of `database`, connected; null, with the store
// skipped, when it does not connect within 30 seconds.
std::unique_ptr<SharedStore> OpenConnected(benchmark::State& state, TestDatabase& database, int64_t waitMs) {
  try {
    auto store = OpenSharedStore(StoreSettings{database.FreshDatabase(), "bench", waitMs, WhenUnreachable::Refuse},
                                 nullptr, nullptr, OdbcConnector(), kQuick);
    const auto until = Clock::now() + std::chrono::seconds(30);
    while (!store->Reachable() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (store->Reachable()) return store;
    state.SkipWithError((std::string(database.Engine()) + ": the store did not connect").c_str());
  } catch (const std::exception& failure) {
    state.SkipWithError((std::string(database.Engine()) + ": " + failure.what()).c_str());
  }
  return nullptr;
}

UseKey KeyOf(uint64_t claim) { return UseKey{kFirstPlayer + claim % kPlayers, "ItemTemplate_Console", "starter"}; }

// Each claim comes a cooldown after the last one of its player, so that every
// one is allowed and writes its record.
int64_t MomentOf(uint64_t claim) { return static_cast<int64_t>(claim) * kCooldownMs; }

void SharedStoreClaimRoundTrip(benchmark::State& state, const std::string& engine) {
  TestDatabase* database = ServerOr(state, engine);
  if (database == nullptr) return;
  const std::unique_ptr<SharedStore> store = OpenConnected(state, *database, kStoreWaitMsMost);
  if (!store) return;
  const UseLimits limits{kCooldownMs, std::nullopt};
  uint64_t claim = 0;
  for (; claim < kPlayers; ++claim) {
    const UseClaim made = store->Claim(KeyOf(claim), limits, MomentOf(claim));
    if (made.verdict.kind != UseVerdictKind::Allowed) {
      state.SkipWithError((engine + ": a claim of the warm-up was not allowed").c_str());
      return;
    }
    store->Keep(made.ticket);
  }
  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(state.max_iterations));
  for (auto _ : state) {
    const auto start = Clock::now();
    const UseClaim made = store->Claim(KeyOf(claim), limits, MomentOf(claim));
    store->Keep(made.ticket);
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    ++claim;
    // A refusal here is a fault of the store (or a claim that outwaited
    // WaitMs), not a figure.
    if (made.verdict.kind != UseVerdictKind::Allowed) {
      state.SkipWithError((engine + ": a claim was not allowed").c_str());
      break;
    }
  }
  std::sort(micros.begin(), micros.end());
  if (!micros.empty()) {
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  }
}

// The server killed under a connected store; claims every few milliseconds,
// each of which must be refused (Unreachable) no later than WaitMs and a
// little. The server is started again at the end for whatever runs next.
void SharedStoreClaimWhileDown(benchmark::State& state, const std::string& engine) {
  constexpr int64_t kWaitMs = 50;
  TestDatabase* database = ServerOr(state, engine);
  if (database == nullptr) return;
  const std::unique_ptr<SharedStore> store = OpenConnected(state, *database, kWaitMs);
  if (!store) return;
  const UseLimits limits{kCooldownMs, std::nullopt};
  database->Kill();
  double longestMs = 0;
  uint64_t claim = 0;
  bool allowed = false;
  for (auto _ : state) {
    const auto start = Clock::now();
    const UseClaim made = store->Claim(KeyOf(claim), limits, MomentOf(claim));
    longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    ++claim;
    allowed = allowed || made.verdict.kind != UseVerdictKind::Unreachable;
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    state.ResumeTiming();
  }
  state.counters["longest_wait_ms"] = longestMs;
  try {
    database->Start();
  } catch (const std::exception& failure) {
    state.SkipWithError((engine + " did not start again: " + failure.what()).c_str());
    return;
  }
  if (allowed) state.SkipWithError((engine + ": a claim was answered with the server killed").c_str());
}

// Each benchmark once per engine, named BENCHMARK/ENGINE. Fixed iterations:
// the servers answer in a fraction of a millisecond, so enough claims for a
// 99th percentile take about a second whatever --benchmark_min_time says, and
// the server is killed once a run.
const bool kSharedStoreBenchmarksRegistered = [] {
  for (const std::string& engine : kEngines)
    benchmark::RegisterBenchmark(("SharedStoreClaimRoundTrip/" + engine).c_str(), SharedStoreClaimRoundTrip, engine)
        ->Iterations(1000)
        ->Unit(benchmark::kMicrosecond);
  for (const std::string& engine : kEngines)
    benchmark::RegisterBenchmark(("SharedStoreClaimWhileDown/" + engine).c_str(), SharedStoreClaimWhileDown, engine)
        ->Iterations(100)
        ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
