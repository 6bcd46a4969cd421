// The shared store against real PostgreSQL and MariaDB servers: claims counted
// and given back, two servers racing for a last use, a store of an unknown
// version left alone, the server killed and started again, a confirmation that
// came too late, and a store destroyed with a statement waiting on a lock.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "orvanel/core/UseJournal.h"
#include "orvanel/store/SharedStore.h"
#include "store/Databases.h"
#include "store/StoreTesting.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

StoreSettings Settings(const std::string& connection, int64_t waitMs = 1000,
                       WhenUnreachable when = WhenUnreachable::Refuse) {
  return StoreSettings{connection, "island-1", waitMs, when};
}

const ReconnectPauses kQuick{20, 200};

// Two threads let go at once, again and again. Not std::barrier: the atomic
// wait under it in the mingw-w64 build, which has no futex, was seen under Wine
// to leave both threads waiting for good.
class StartLine {
 public:
  void ArriveAndWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    const uint64_t round = round_;
    if (++arrived_ == 2) {
      arrived_ = 0;
      ++round_;
      released_.notify_all();
      return;
    }
    released_.wait(lock, [&] { return round_ != round; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  int arrived_ = 0;
  uint64_t round_ = 0;
};

class DatabaseTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    database_ = FreshDatabaseOf(GetParam(), connection_);
    ASSERT_NE(database_, nullptr);
  }

  std::unique_ptr<SharedStore> Open(int64_t waitMs = 1000, std::unique_ptr<UseStore> local = nullptr,
                                    SqlConnector connector = OdbcConnector()) {
    const WhenUnreachable when = local ? WhenUnreachable::Local : WhenUnreachable::Refuse;
    auto store = OpenSharedStore(Settings(connection_, waitMs, when), std::move(local), notes_.Sink(),
                                 std::move(connector), kQuick);
    EXPECT_TRUE(Eventually([&] { return store->Reachable(); })) << ::testing::PrintToString(notes_.All());
    return store;
  }

  // A test that stopped with the server killed leaves it running for the next.
  void TearDown() override {
    if (killed_) database_->Start();
  }

  void ExpectNoSecret() {
    for (const std::string& line : notes_.All()) EXPECT_EQ(line.find(TestDatabase::kSecret), std::string::npos) << line;
  }

  TestDatabase* database_ = nullptr;
  bool killed_ = false;
  std::string connection_;
  StoreNotes notes_;
};

TEST_P(DatabaseTest, ClaimsAreCountedKeptGivenBackAndForgotten) {
  const UseKey kit{kAlice, "ItemTemplate_Console", "starter"};
  const UseLimits twice{0, 2u};
  {
    auto store = Open();
    EXPECT_EQ(notes_.Holding("is connected (").size(), 1u);
    UseClaim first = store->Claim(kit, twice, 1000);
    ASSERT_EQ(first.verdict.kind, UseVerdictKind::Allowed);
    store->Keep(first.ticket);
    UseClaim returned = store->Claim(kit, twice, 2000);
    ASSERT_EQ(returned.verdict.kind, UseVerdictKind::Allowed);
    store->GiveBack(returned.ticket);
    ASSERT_TRUE(store->Settled(5000));
    EXPECT_EQ(store->Find(kit), (UseRecord{1, 1000}));
  }
  // Another connection, as after a restart, finds what the first one kept.
  auto store = Open();
  UseClaim second = store->Claim(kit, twice, 3000);
  ASSERT_EQ(second.verdict.kind, UseVerdictKind::Allowed);
  store->Keep(second.ticket);
  const UseClaim third = store->Claim(kit, twice, 4000);
  EXPECT_EQ(third.verdict.kind, UseVerdictKind::UsedUp);
  EXPECT_EQ(third.verdict.used, 2u);
  // A cooldown judged by the record's moment; one dated ahead of now waits no
  // longer than the cooldown.
  const UseKey spot{kAlice, "Teleport_Console", "base"};
  EXPECT_EQ(store->Record(spot, 90000), (UseRecord{1, 90000}));
  const UseClaim soon = store->Claim(spot, UseLimits{60000, std::nullopt}, 30000);
  EXPECT_EQ(soon.verdict.kind, UseVerdictKind::TooSoon);
  EXPECT_EQ(soon.verdict.waitMs, 60000);
  EXPECT_EQ(store->Find(spot), (UseRecord{1, 30000}));
  const auto uses = store->UsesOf(kAlice);
  ASSERT_EQ(uses.size(), 2u);
  EXPECT_EQ(uses[0].first, kit);
  EXPECT_EQ(uses[1].first, spot);
  EXPECT_TRUE(store->UsesOf(kAlice + 1).empty());
  store->Forget(kit);
  EXPECT_EQ(store->Find(kit), std::nullopt);
  store->ForgetAll(kAlice);
  EXPECT_TRUE(store->UsesOf(kAlice).empty());
  ExpectNoSecret();
}

TEST_P(DatabaseTest, TwoServersClaimingTheLastUseAtOnceGiveItOnce) {
  auto island = Open();
  auto valley = Open();
  constexpr int kRounds = 200;
  std::atomic<int> given{0};
  std::vector<int> givenInRound(kRounds, 0);
  StartLine start;
  const auto claimEach = [&](SharedStore& store) {
    for (int round = 0; round < kRounds; ++round) {
      start.ArriveAndWait();
      const UseClaim claim = store.Claim(UseKey{kAlice + static_cast<uint64_t>(round), "ItemTemplate_Console", "once"},
                                         UseLimits{0, 1u}, 1000 + round);
      EXPECT_NE(claim.verdict.kind, UseVerdictKind::Unreachable) << "round " << round;
      if (claim.verdict.kind == UseVerdictKind::Allowed) {
        store.Keep(claim.ticket);
        ++given;
        __atomic_add_fetch(&givenInRound[static_cast<std::size_t>(round)], 1, __ATOMIC_SEQ_CST);
      }
    }
  };
  std::thread other([&] { claimEach(*valley); });
  claimEach(*island);
  other.join();
  EXPECT_EQ(given.load(), kRounds);
  for (int round = 0; round < kRounds; ++round) EXPECT_EQ(givenInRound[static_cast<std::size_t>(round)], 1) << round;
}

TEST_P(DatabaseTest, AStoreOfAnUnknownVersionIsRefusedAndLeftAlone) {
  const std::string name =
      connection_.substr(connection_.find("Database=") + 9,
                         connection_.find(';', connection_.find("Database=")) - connection_.find("Database=") - 9);
  ASSERT_TRUE(database_->Admin(name,
                               "CREATE TABLE orvanel_schema (version BIGINT NOT NULL); "
                               "INSERT INTO orvanel_schema (version) VALUES (99)"));
  auto store = OpenSharedStore(Settings(connection_, 50), nullptr, notes_.Sink(), OdbcConnector(), kQuick);
  ASSERT_TRUE(Eventually([&] { return !notes_.Holding("is refused").empty(); }));
  EXPECT_EQ(notes_.Holding("is refused")[0],
            "The use store \"island-1\" is refused: its tables are of version 99, this plugin knows 1; they are left "
            "as they are.");
  EXPECT_EQ(store->Claim(UseKey{kAlice, "c", "e"}, UseLimits{0, 1u}, 0).verdict.kind, UseVerdictKind::Unreachable);
  std::this_thread::sleep_for(300ms);  // several tries to connect
  EXPECT_EQ(notes_.Holding("is refused").size(), 1u);
  EXPECT_FALSE(database_->Admin(name, "SELECT 1 FROM orvanel_uses")) << "the table was made";
  EXPECT_THROW(store->Find(UseKey{kAlice, "c", "e"}), std::runtime_error);
}

TEST_P(DatabaseTest, AServerKilledMidSessionRefusesOrCountsLocallyAndIsBackWithoutARestart) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("orvanel-journal-" + std::to_string(std::random_device()()));
  ASSERT_TRUE(std::filesystem::create_directory(folder)) << folder;
  auto opening = OpenUseJournal(folder / "state.journal", "20261210-000000");
  auto store = Open(50);
  auto local = Open(50, std::move(opening.store));
  const UseKey kit{kAlice, "ItemTemplate_Console", "starter"};
  const UseLimits once{0, 1u};
  UseClaim kept = store->Claim(kit, UseLimits{0, 5u}, 1000);
  ASSERT_EQ(kept.verdict.kind, UseVerdictKind::Allowed);
  store->Keep(kept.ticket);

  database_->Kill();
  killed_ = true;
  int64_t longestMs = 0;
  int refused = 0;
  for (int claim = 0; claim < 40; ++claim) {
    const auto began = Clock::now();
    const UseClaim answer = store->Claim(UseKey{kAlice, "ItemTemplate_Console", "other"}, once, 2000);
    longestMs = std::max<int64_t>(longestMs,
                                  std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count());
    refused += answer.verdict.kind == UseVerdictKind::Unreachable ? 1 : 0;
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(refused, 40);
  EXPECT_LE(longestMs, 50 + 100) << "a claim waited past WaitMs";
  // Counted on this server alone, by the journal, once its worker finds the server gone.
  UseClaim counted = local->Claim(UseKey{kAlice, "ItemTemplate_Console", "local"}, once, 2000);
  ASSERT_EQ(counted.verdict.kind, UseVerdictKind::Allowed);
  local->Keep(counted.ticket);
  EXPECT_EQ(local->Claim(UseKey{kAlice, "ItemTemplate_Console", "local"}, once, 2001).verdict.kind,
            UseVerdictKind::UsedUp);
  EXPECT_EQ(local->Find(UseKey{kAlice, "ItemTemplate_Console", "local"}), (UseRecord{1, 2000}));

  database_->Start();
  killed_ = false;
  ASSERT_TRUE(Eventually([&] { return store->Reachable() && local->Reachable(); }));
  EXPECT_EQ(store->Find(kit), (UseRecord{1, 1000})) << "a kept use was lost";
  EXPECT_EQ(store->Claim(UseKey{kAlice, "ItemTemplate_Console", "other"}, once, 3000).verdict.kind,
            UseVerdictKind::Allowed);
  // One line for the loss and one for the return, from each store.
  EXPECT_EQ(notes_.Holding("cannot be reached").size(), 2u) << ::testing::PrintToString(notes_.All());
  EXPECT_EQ(notes_.Holding("can be reached again").size(), 2u);
  EXPECT_EQ(notes_.Holding("counted on this server only").size(), 1u);
  ExpectNoSecret();
  // Windows removes no file that is open: the journal is closed first.
  local.reset();
  std::filesystem::remove_all(folder);
}

// A connection whose claims answer only after the caller stopped waiting.
class SlowConnection final : public SqlConnection {
 public:
  explicit SlowConnection(std::unique_ptr<SqlConnection> inner) : inner_(std::move(inner)) {}
  std::string Engine() override { return inner_->Engine(); }
  std::vector<SqlRow> Run(const std::string& statement, const std::vector<SqlValue>& params) override {
    if (statement.find("FOR UPDATE") != std::string::npos && slow.load()) std::this_thread::sleep_for(200ms);
    return inner_->Run(statement, params);
  }
  void Commit() override { inner_->Commit(); }
  void Rollback() override { inner_->Rollback(); }
  void Cancel() noexcept override { inner_->Cancel(); }
  static inline std::atomic<bool> slow{false};

 private:
  std::unique_ptr<SqlConnection> inner_;
};

TEST_P(DatabaseTest, AClaimConfirmedAfterItsWaitIsGivenBack) {
  auto store = Open(20, nullptr, [](const std::string& connection) -> std::unique_ptr<SqlConnection> {
    return std::make_unique<SlowConnection>(OdbcConnector()(connection));
  });
  const UseKey kit{kAlice, "ItemTemplate_Console", "starter"};
  SlowConnection::slow = true;
  EXPECT_EQ(store->Claim(kit, UseLimits{0, 1u}, 1000).verdict.kind, UseVerdictKind::Unreachable);
  EXPECT_THROW(store->Record(kit, 1500), std::runtime_error);
  ASSERT_TRUE(store->Settled(5000));
  SlowConnection::slow = false;
  EXPECT_EQ(store->Find(kit), std::nullopt) << "a use refused to the player stayed counted";
  const UseClaim again = store->Claim(kit, UseLimits{0, 1u}, 2000);
  EXPECT_EQ(again.verdict.kind, UseVerdictKind::Allowed);
}

TEST_P(DatabaseTest, DestroyedWithAStatementWaitingOnALockItDoesNotHang) {
  auto store = Open(50);
  const UseKey kit{kAlice, "ItemTemplate_Console", "starter"};
  ASSERT_EQ(store->Record(kit, 1000), (UseRecord{1, 1000}));
  // Another server holds the record locked in a transaction it does not end.
  auto holder = OdbcConnector()(connection_);
  holder->Run("SELECT uses FROM orvanel_uses WHERE steam_id = ? FOR UPDATE", {static_cast<int64_t>(kAlice)});
  EXPECT_EQ(store->Claim(kit, UseLimits{0, 5u}, 2000).verdict.kind, UseVerdictKind::Unreachable);
  const auto began = Clock::now();
  store.reset();
  EXPECT_LT(Clock::now() - began, 6s) << "the store's end waited on the lock";
  holder->Rollback();
  // The claim the caller gave up on counted nothing.
  auto again = Open(1000);
  EXPECT_EQ(again->Find(kit), (UseRecord{1, 1000}));
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseTest, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return info.param; });

}  // namespace
