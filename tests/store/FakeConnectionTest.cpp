// The shared store's worker over a stand-in connection, for the failures a
// real server does not give on demand: an engine it does not speak, a lock
// conflict to try again, a record that cannot be read, a give-back owed across
// a lost connection, and a secret in a driver's message.
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "orvanel/core/StoreSettings.h"
#include "orvanel/store/SharedStore.h"
#include "store/StoreTesting.h"

namespace {

using namespace std::chrono_literals;

// The server's records and the faults it is to give, shared by its connections.
struct FakeServer {
  std::mutex mutex;
  std::string engine = "PostgreSQL";
  std::map<int64_t, UseRecord> records;  // by Steam id: one entry a player
  std::vector<int64_t> versions;
  std::deque<std::pair<std::string, SqlError>> faults;  // statement fragment, error
  std::string refuseConnection;                         // the connect's error, when set
  bool lockFindsNothing = false;
};

class FakeConnection final : public SqlConnection {
 public:
  explicit FakeConnection(FakeServer& server) : server_(server) {}
  std::string Engine() override { return server_.engine; }
  std::vector<SqlRow> Run(const std::string& statement, const std::vector<SqlValue>& params) override {
    const std::lock_guard<std::mutex> lock(server_.mutex);
    if (!server_.faults.empty() && statement.find(server_.faults.front().first) != std::string::npos) {
      const SqlError error = server_.faults.front().second;
      server_.faults.pop_front();
      throw error;
    }
    const auto id = [&](std::size_t at) { return std::get<int64_t>(params.at(at)); };
    if (statement.starts_with("SELECT version")) {
      std::vector<SqlRow> rows;
      for (const int64_t version : server_.versions) rows.push_back({std::to_string(version)});
      return rows;
    }
    if (statement.starts_with("INSERT INTO orvanel_schema")) server_.versions.push_back(id(0));
    if (statement.find("INTO orvanel_uses") != std::string::npos) server_.records.try_emplace(id(0));
    if (statement.starts_with("SELECT uses")) {
      const auto found = server_.records.find(id(0));
      if (found == server_.records.end() || server_.lockFindsNothing) return {};
      return {{std::to_string(found->second.count), std::to_string(found->second.lastMs)}};
    }
    if (statement.starts_with("UPDATE")) server_.records[id(3)] = UseRecord{static_cast<uint64_t>(id(0)), id(1)};
    return {};
  }
  void Commit() override {}
  void Rollback() override {}
  void Cancel() noexcept override {}

 private:
  FakeServer& server_;
};

class FakeConnectionTest : public ::testing::Test {
 protected:
  std::unique_ptr<SharedStore> Open(int64_t waitMs = 1000) {
    return OpenSharedStore(
        StoreSettings{"Driver=x;Pwd={s3cret;x}", "island-1", waitMs, WhenUnreachable::Refuse}, nullptr, notes_.Sink(),
        [this](const std::string&) -> std::unique_ptr<SqlConnection> {
          {
            const std::lock_guard<std::mutex> lock(server_.mutex);
            if (!server_.refuseConnection.empty()) throw SqlError("08001", server_.refuseConnection);
          }
          return std::make_unique<FakeConnection>(server_);
        },
        ReconnectPauses{5, 20});
  }

  FakeServer server_;
  StoreNotes notes_;
};

const UseKey kKit{7, "ItemTemplate_Console", "starter"};

TEST_F(FakeConnectionTest, AnEngineItDoesNotSpeakIsRefusedOnce) {
  server_.engine = "Oracle";
  auto store = Open(20);
  ASSERT_TRUE(Eventually([&] { return !notes_.All().empty(); }));
  EXPECT_EQ(store->Claim(kKit, UseLimits{0, 1u}, 0).verdict.kind, UseVerdictKind::Unreachable);
  EXPECT_THROW(store->UsesOf(7), std::runtime_error);
  EXPECT_THROW(store->Forget(kKit), std::runtime_error);
  EXPECT_EQ(notes_.All(), std::vector<std::string>{"The use store \"island-1\" is refused: the engine Oracle is not "
                                                   "one the store speaks (PostgreSQL or MariaDB)."});
}

TEST_F(FakeConnectionTest, ALockConflictIsTriedAgainAndAnUnreadableRecordLosesTheConnection) {
  auto store = Open();
  ASSERT_TRUE(Eventually([&] { return store->Reachable(); }));
  {
    const std::lock_guard<std::mutex> lock(server_.mutex);
    server_.faults.emplace_back("FOR UPDATE", SqlError("40P01", "deadlock detected"));
    server_.faults.emplace_back("FOR UPDATE", SqlError("40001", "could not serialize"));
  }
  const UseClaim claim = store->Claim(kKit, UseLimits{0, 1u}, 100);
  ASSERT_EQ(claim.verdict.kind, UseVerdictKind::Allowed);
  store->Keep(claim.ticket);
  {
    const std::lock_guard<std::mutex> lock(server_.mutex);
    server_.lockFindsNothing = true;
  }
  EXPECT_EQ(store->Claim(kKit, UseLimits{0, 1u}, 200).verdict.kind, UseVerdictKind::Unreachable);
  {
    const std::lock_guard<std::mutex> lock(server_.mutex);
    server_.lockFindsNothing = false;
  }
  ASSERT_TRUE(Eventually([&] { return store->Reachable(); }));
  EXPECT_EQ(store->Claim(kKit, UseLimits{0, 1u}, 300).verdict.kind, UseVerdictKind::UsedUp);
  const std::vector<std::string> notes = notes_.All();
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0], "The use store \"island-1\" is connected (PostgreSQL).");
  EXPECT_EQ(notes[1],
            "The use store \"island-1\" cannot be reached (the record just made cannot be read); limited "
            "entries are refused until it can.");
  EXPECT_EQ(notes[2], "The use store \"island-1\" can be reached again.");
}

TEST_F(FakeConnectionTest, AGiveBackOwedWhileTheConnectionIsLostIsMadeOnItsReturn) {
  auto store = Open();
  ASSERT_TRUE(Eventually([&] { return store->Reachable(); }));
  const UseClaim claim = store->Claim(kKit, UseLimits{0, 1u}, 100);
  ASSERT_EQ(claim.verdict.kind, UseVerdictKind::Allowed);
  {
    const std::lock_guard<std::mutex> lock(server_.mutex);
    server_.faults.emplace_back("FOR UPDATE", SqlError("08S01", "server closed the connection; Pwd=s3cret;x"));
    server_.refuseConnection = "password s3cret;x refused";
  }
  store->GiveBack(claim.ticket);
  ASSERT_TRUE(Eventually([&] { return !store->Reachable(); }));
  EXPECT_FALSE(store->Settled(50)) << "the owed give-back was dropped";
  {
    const std::lock_guard<std::mutex> lock(server_.mutex);
    server_.refuseConnection.clear();
  }
  ASSERT_TRUE(store->Settled(5000));
  EXPECT_EQ(store->Find(kKit), std::nullopt);
  for (const std::string& line : notes_.All()) EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
}

TEST(StoreSettingsTest, TheStoreEntryIsReadWithAClearLineForEachFault) {
  using nlohmann::json;
  EXPECT_EQ(ReadStoreSettings(json{{"Enabled", true}}), std::nullopt);
  const auto read =
      ReadStoreSettings(json::parse(R"({"Store": {"Connection": "DSN=cluster", "Server": "island-1", "WaitMs": 1000,
                                "WhenUnreachable": "local"}})"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->connection, "DSN=cluster");
  EXPECT_EQ(read->server, "island-1");
  EXPECT_EQ(read->waitMs, 1000);
  EXPECT_EQ(read->whenUnreachable, WhenUnreachable::Local);
  EXPECT_EQ(ReadStoreSettings(json::parse(R"({"Store": {"Connection": "DSN=a", "Server": "b"}})"))->waitMs, 50);
  const auto fault = [](const char* text) {
    try {
      ReadStoreSettings(json::parse(text));
    } catch (const std::invalid_argument& error) {
      return std::string(error.what());
    }
    return std::string("read");
  };
  const std::string at = "Features \"Cooldowns\" \"Store\": ";
  EXPECT_EQ(fault(R"({"Store": 3})"), at + "must be an object with \"Connection\" and \"Server\"");
  EXPECT_EQ(fault(R"({"Store": {"Server": "b"}})"), at + "\"Connection\" is missing");
  EXPECT_EQ(fault(R"({"Store": {"Connection": "", "Server": "b"}})"),
            at + "\"Connection\" must be a text that is not empty");
  EXPECT_EQ(fault(R"({"Store": {"Connection": "DSN=a", "Server": "b", "WaitMs": 0}})"),
            at + "\"WaitMs\" must be a whole number of milliseconds from 1 to 1000");
  EXPECT_EQ(fault(R"({"Store": {"Connection": "DSN=a", "Server": "b", "WaitMs": 1001}})"),
            at + "\"WaitMs\" must be a whole number of milliseconds from 1 to 1000");
  EXPECT_EQ(fault(R"({"Store": {"Connection": "DSN=a", "Server": "b", "WaitMs": 2.5}})"),
            at + "\"WaitMs\" must be a whole number of milliseconds from 1 to 1000");
  EXPECT_EQ(fault(R"({"Store": {"Connection": "DSN=a", "Server": "b", "WhenUnreachable": "wait"}})"),
            at + "\"WhenUnreachable\" must be \"refuse\" or \"local\"");
}

TEST_F(FakeConnectionTest, RecordsAreAddedInWholeOrNotAtAll) {
  server_.refuseConnection = "connection refused";
  {
    auto store = Open();
    ASSERT_TRUE(Eventually([&] { return !notes_.All().empty(); }));
    EXPECT_EQ(store->AddRecords({{kKit, UseRecord{2, 50}}}, 1000), StoreAddition::NotAdded);
  }
  server_.refuseConnection.clear();
  auto store = Open();
  ASSERT_TRUE(Eventually([&] { return store->Reachable(); }));
  store->Record(kKit, 100);
  const UseKey other{8, "TeleportTo_Console", "base"};
  // Summed with what the store holds, the later use kept.
  EXPECT_EQ(store->AddRecords({{kKit, UseRecord{2, 50}}, {other, UseRecord{3, 400}}}, 1000), StoreAddition::Added);
  EXPECT_EQ(server_.records[7], (UseRecord{3, 100}));
  EXPECT_EQ(server_.records[8], (UseRecord{3, 400}));
  // A failure before the commit adds nothing the caller is told of as added.
  server_.faults.emplace_back("UPDATE", SqlError("08S01", "link lost"));
  EXPECT_EQ(store->AddRecords({{other, UseRecord{1, 500}}}, 1000), StoreAddition::NotAdded);
  EXPECT_EQ(server_.records[8], (UseRecord{3, 400}));
}

TEST(StoreSettingsTest, AConnectionStringsShapeIsReadWithoutItsValues) {
  const ConnectionShape shape = ReadConnectionShape(" Driver =x;;stray; ;Pwd={a;b};Uid={open");
  EXPECT_EQ(shape.keys, (std::vector<std::string>{"Driver", "Pwd", "Uid"}));
  EXPECT_EQ(shape.strayPieces, (std::vector<int>{3}));
  EXPECT_TRUE(shape.braceOpen);
  EXPECT_TRUE(shape.secret);
  const ConnectionShape plain = ReadConnectionShape("DSN=cluster;Password=");
  EXPECT_EQ(plain.keys, (std::vector<std::string>{"DSN", "Password"}));
  EXPECT_TRUE(plain.strayPieces.empty());
  EXPECT_FALSE(plain.braceOpen);
  EXPECT_TRUE(plain.secret);
  EXPECT_FALSE(ReadConnectionShape("DSN=a;Uid=b").secret);
  EXPECT_EQ(ReadConnectionShape("tail").strayPieces, (std::vector<int>{1}));
}

TEST(StoreSettingsTest, APasswordInAConnectionStringIsShownAsStars) {
  EXPECT_EQ(MaskedConnection("Driver=x;Server=h;Uid=u;Pwd=hunter2;Port=5432"),
            "Driver=x;Server=h;Uid=u;Pwd=***;Port=5432");
  EXPECT_EQ(MaskedConnection("DRIVER={PostgreSQL Unicode};PASSWORD={a;b=c}; pwd = z"),
            "DRIVER={PostgreSQL Unicode};PASSWORD=***; pwd =***");
  EXPECT_EQ(MaskedConnection("DSN=cluster"), "DSN=cluster");
  EXPECT_EQ(MaskedConnection(";;Pwd=unclosed{"), ";;Pwd=***");
  EXPECT_EQ(MaskedConnection("Pwd={open"), "Pwd=***");
  EXPECT_EQ(MaskedConnection("no pairs here"), "no pairs here");
  EXPECT_EQ(ConnectionValue("Driver={a b};Uid=u", "driver"), "a b");
  EXPECT_EQ(ConnectionValue("Driver=x", "Pwd"), std::nullopt);
}

}  // namespace
