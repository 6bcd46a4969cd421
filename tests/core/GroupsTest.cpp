// Groups end to end: named groups with inheritance in command, entry and
// "Others" whitelists, their faults refused at load and reload, limits per
// group, and players exempt from every limit.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#endif

#include "core/FeatureTest.h"
#include "orvanel/core/Groups.h"
#include "orvanel/core/UseLimits.h"
#include "orvanel/run/Uses.h"
#include "orvanel/store/Sql.h"
#include "sandbox/game/World.h"
#include "sandbox/host/Host.h"
#include "store/Databases.h"
#include "store/StoreTesting.h"

using nlohmann::json;

namespace {

using Replies = std::vector<std::string>;

constexpr unsigned long long kCarolId = 76561198000000003ULL;

class GroupsTest : public FeatureTest {
 protected:
  // Alice an owner, Bob an admin, Carol a moderator: owners inherit admins,
  // who inherit moderators.
  static json StaffConfig(const std::vector<std::string>& features) {
    json config = FeatureConfig(features);
    config["Features"]["Permissions"]["Groups"] = {{"moderators", {{"Members", {kCarolId}}}},
                                                   {"admins", {{"Members", {kBobId}}, {"Inherits", {"moderators"}}}},
                                                   {"owners", {{"Members", {kAliceId}}, {"Inherits", {"admins"}}}}};
    return config;
  }

  Replies RepliesTo(const std::string& player, const std::string& line) {
    ClearRecord();
    Console(player, line);
    return ChatTo(player);
  }

  std::size_t InventoryOf(const std::string& player) const { return PlayerDump(player)["inventory"].size(); }
};

TEST_F(GroupsTest, AMemberIsAMemberOfEveryGroupItInheritsTwoLevelsDeep) {
  json config = StaffConfig({"Permissions"});
  json& commands = config["Commands"];
  commands["TeleportTo_Console"]["Permissions"] = true;
  commands["TeleportTo_Console"]["Whitelist"] = {"admins"};
  commands["ItemTemplate_Console"]["Templates"]["medic"]["Whitelist"] = {"admins"};
  commands["ItemTemplate_Console"]["Templates"]["builder"]["Whitelist"] = {"owners", kCarolId};
  commands["ItemTemplate_Console"]["Others"] = {"owners"};
  Start(config);
  // The command: the owner is an admin through one level, the moderator is not.
  EXPECT_EQ(RepliesTo("Carol", "tp Camp"), Replies{"You are not allowed to use this command."});
  for (const char* player : {"Alice", "Bob"}) {
    EXPECT_EQ(RepliesTo(player, "tp Camp"), Replies{}) << player;
    EXPECT_EQ(PlayerDump(player)["position"], json({1500.0, -200.0, 30.0})) << player;
  }
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You are not allowed to use medic."});
  EXPECT_EQ(InventoryOf("Carol"), 0u);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Alice"), 1u);
  // A group's name and a Steam id side by side.
  EXPECT_EQ(RepliesTo("Carol", "kit builder"), Replies{});
  EXPECT_EQ(RepliesTo("Bob", "kit builder"), Replies{"You are not allowed to use builder."});
  // "Others" by group: only owners act on others.
  EXPECT_EQ(RepliesTo("Bob", "kit medic Carol"), Replies{"You are not allowed to act on other players."});
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 1u);
}

TEST_F(GroupsTest, AReloadAppliesNewMembersAtOnceAndAGroupNoOneDefinesLetsNobodyIn) {
  json config = StaffConfig({"Permissions"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["Whitelist"] = {"admins", "donors"};
  Start(config);
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You are not allowed to use medic."});
  config["Features"]["Permissions"]["Groups"]["admins"]["Members"].push_back(kCarolId);
  WriteConfig(config);
  EXPECT_EQ(RepliesTo("Alice", "reload"), Replies{"Test config reloaded!"});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Carol"), 1u);
}

TEST_F(GroupsTest, GroupsNewToTheFileAtAReloadApplyAtOnce) {
  json config = FeatureConfig({});
  config["Commands"]["ItemTemplate_Console"]["Others"] = {"admins"};
  Start(config);
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{"You are not allowed to act on other players."});
  config["Features"]["Permissions"]["Groups"] = {{"admins", {{"Members", {kAliceId}}}}};
  WriteConfig(config);
  Console("Alice", "reload");
  EXPECT_EQ(RepliesTo("Alice", "kit medic Bob"), Replies{});
  EXPECT_EQ(InventoryOf("Bob"), 1u);
}

TEST_F(GroupsTest, ACycleAMissingGroupOrAMemberThatIsNoSteamIdFailsTheLoadWithItsPlace) {
  const std::vector<std::pair<json, std::string>> cases = {
      {{{"a", {{"Inherits", {"b"}}}}, {"b", {{"Inherits", {"c"}}}}, {"c", {{"Inherits", {"a"}}}}},
       "(/Features/Permissions/Groups/c/Inherits/0) the groups inherit in a cycle: \"a\" inherits \"b\" inherits "
       "\"c\" inherits \"a\""},
      {{{"a", {{"Inherits", {"b", "nobody"}}}}, {"b", json::object()}},
       "(/Features/Permissions/Groups/a/Inherits/1) inherits \"nobody\", which no group defines"},
      {{{"a", {{"Members", {kAliceId, "76561198000000002"}}}}},
       "(/Features/Permissions/Groups/a/Members/1) must be a Steam id, a whole number from 1 up, not a text in "
       "quotes"},
      {{{"a", {{"Members", {0}}}}},
       "(/Features/Permissions/Groups/a/Members/0) must be a Steam id, a whole number "
       "from 1 up, not 0"},
      {{{"42", json::object()}},
       "(/Features/Permissions/Groups/42) a group's name cannot be digits alone: it would read as a Steam id"},
  };
  AddWorld(FeatureWorld());
  for (const auto& [groups, error] : cases) {
    SCOPED_TRACE(error);
    json config = StaffConfig({"Permissions"});
    config["Features"]["Permissions"]["Groups"] = groups;
    WriteConfig(config);
    ClearRecord();
    ExpectHostLog("error", error);
    LoadPlugin();
    EXPECT_TRUE(EventsOf("register").empty());
    UnloadPlugin();
  }
}

TEST_F(GroupsTest, ACycleAtReloadIsRefusedAndThePreviousGroupsStay) {
  json config = StaffConfig({"Permissions", "Feedback"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["Whitelist"] = {"moderators"};
  Start(config);
  json cycle = config;
  cycle["Features"]["Permissions"]["Groups"]["moderators"]["Inherits"] = {"owners"};
  cycle["Features"]["Permissions"]["Groups"]["moderators"]["Members"] = json::array();
  WriteConfig(cycle);
  ExpectHostLog("error", "The command ReloadConfig_Console failed");
  EXPECT_EQ(RepliesTo("Alice", "reload"),
            Replies{"Reload failed: /Features/Permissions/Groups/owners/Inherits/0: the groups inherit in a cycle: "
                    "\"admins\" inherits \"moderators\" inherits \"owners\" inherits \"admins\". The previous "
                    "configuration stays."});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"Gave 1 item."});
}

class GroupLimitsTest : public GroupsTest {
 protected:
  // "medic" once every 250 s for everyone; moderators every 100 s, twice in
  // all; admins every 200 s with no use limit.
  static json LimitsConfig(const std::vector<std::string>& features) {
    json config = StaffConfig(features);
    json& medic = config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"];
    medic["cooldown"] = 250;
    medic["Limits"] = {{"moderators", {{"cooldown", 100}, {"uses", 2}}}, {"admins", {{"cooldown", 200}}}};
    return config;
  }
};

TEST_F(GroupLimitsTest, AMemberOfSeveralGroupsGetsTheMostGenerousOfTheirLimits) {
  Start(LimitsConfig({"Cooldowns"}));
  // Carol, a moderator alone: 100 s, twice.
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You can use medic again in 1 min 40 s."});
  sim::AdvanceClock(100000);
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  sim::AdvanceClock(100000);
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You have used medic 2 times, the most allowed."});
  // Bob, an admin and so a moderator: the shorter cooldown and no use limit.
  for (int use = 0; use < 3; ++use) {
    EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{});
    EXPECT_EQ(RepliesTo("Bob", "kit medic"), Replies{"You can use medic again in 1 min 40 s."});
    sim::AdvanceClock(100000);
  }
  EXPECT_EQ(InventoryOf("Bob"), 3u);
}

TEST_F(GroupLimitsTest, TheEntrysOwnLimitsHoldEveryoneElse) {
  json config = LimitsConfig({"Cooldowns"});
  config["Features"]["Permissions"]["Groups"]["moderators"]["Members"] = json::array();
  config["Features"]["Permissions"]["Groups"]["admins"]["Members"] = json::array();
  config["Features"]["Permissions"]["Groups"]["owners"]["Members"] = json::array();
  Start(config);
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
}

TEST_F(GroupLimitsTest, AnExemptPlayersRunsAreAuditedAndNotCounted) {
  json config = LimitsConfig({"Cooldowns", "AuditLog"});
  config["Features"]["Cooldowns"]["Exempt"] = {"admins"};
  Start(config);
  for (int use = 0; use < 3; ++use) EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Alice (76561198000000001) kit medic: gave 1 item"});
  EXPECT_EQ(InventoryOf("Alice"), 3u);
  // The exemption is the admins', not the kit's: Carol's uses count.
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You can use medic again in 1 min 40 s."});
  // Nothing of Alice's was kept: once exempt no more, she starts afresh.
  config["Features"]["Cooldowns"]["Exempt"] = json::array();
  WriteConfig(config);
  Console("Alice", "reload");
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 1 min 40 s."});
}

TEST(GroupTableTest, InheritanceResolvesThroughEveryPathAndADiamondIsNoCycle) {
  const GroupTable groups = ReadGroups(json::parse(R"({"Groups": {
      "top": {"Members": [1], "Inherits": ["left", "right"]},
      "left": {"Members": [2], "Inherits": ["base"]}, "right": {"Inherits": ["base"]},
      "base": {"Members": [3]}, "alone": {}}})"));
  EXPECT_EQ(groups.at("base").everyone, (std::set<uint64_t>{1, 2, 3}));
  EXPECT_EQ(groups.at("right").everyone, (std::set<uint64_t>{1}));
  EXPECT_EQ(groups.at("base").heirs, (std::set<std::string, std::less<>>{"left", "right", "top"}));
  EXPECT_TRUE(groups.at("top").heirs.empty());
  EXPECT_TRUE(groups.at("alone").everyone.empty());
  EXPECT_TRUE(InGroup(groups, "left", 1));
  EXPECT_FALSE(InGroup(groups, "left", 3));
  EXPECT_FALSE(InGroup(groups, "nobody", 1));
  // An id written beyond the signed range matches as written.
  const Whitelist list{{-1}, {"right"}};
  EXPECT_TRUE(IsWhitelisted(list, groups, UINT64_MAX));
  EXPECT_TRUE(IsWhitelisted(list, groups, 1));
  EXPECT_FALSE(IsWhitelisted(list, groups, 2));
  EXPECT_TRUE(ReadGroups(json::object()).empty());
}

TEST(GroupTableTest, EveryValueOfTheWrongShapeIsRefusedWithItsPlace) {
  const auto error_of = [](const char* text) {
    try {
      ReadGroups(json::parse(text));
    } catch (const json::type_error& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(error_of(R"({"Groups": []})"),
            "[json.exception.type_error.302] (/Groups) type must be object, but is array");
  EXPECT_EQ(error_of(R"({"Groups": {"a": 1}})"),
            "[json.exception.type_error.302] (/Groups/a) type must be object, but is number");
  EXPECT_EQ(error_of(R"({"Groups": {"a": {"Members": 1}}})"),
            "[json.exception.type_error.302] (/Groups/a/Members) type must be array, but is number");
  EXPECT_EQ(error_of(R"({"Groups": {"a": {"Members": [1.5]}}})"),
            "[json.exception.type_error.302] (/Groups/a/Members/0) must be a Steam id, a whole number from 1 up, not "
            "1.5");
  EXPECT_EQ(error_of(R"({"Groups": {"a": {"Inherits": "b"}, "b": {}}})"),
            "[json.exception.type_error.302] (/Groups/a/Inherits) type must be array, but is string");
  EXPECT_EQ(error_of(R"({"Groups": {"a": {"Inherits": [1]}}})"),
            "[json.exception.type_error.302] (/Groups/a/Inherits/0) type must be string, but is number");
  EXPECT_EQ(
      error_of(R"({"Groups": {"a": {"Inherits": ["a"]}}})"),
      "[json.exception.type_error.302] (/Groups/a/Inherits/0) the groups inherit in a cycle: \"a\" inherits \"a\"");
  // Members beyond the signed range are Steam ids as written.
  EXPECT_TRUE(
      InGroup(ReadGroups(json::parse(R"({"Groups": {"a": {"Members": [18446744073709551615]}}})")), "a", UINT64_MAX));
}

TEST(GroupTableTest, LimitsPerGroupChooseTheShortestCooldownAndTheMostUsesAndNoLimitBeatsAny) {
  const GroupTable groups = ReadGroups(json::parse(R"({"Groups": {"a": {"Members": [1, 2]}, "b": {"Members": [1]},
      "c": {"Members": [2]}}})"));
  const GroupLimits by_group = ReadGroupLimits(json::parse(R"({"Limits": {
      "a": {"cooldown": 60, "uses": 3}, "b": {"cooldown": 120, "uses": 5}, "c": {"cooldown": 30}}})"));
  const UseLimits own{600000, 1};
  const UseLimits one = UseLimitsFor(own, by_group, groups, 1);
  EXPECT_EQ(one.cooldownMs, 60000);
  EXPECT_EQ(one.uses, 5u);
  const UseLimits two = UseLimitsFor(own, by_group, groups, 2);
  EXPECT_EQ(two.cooldownMs, 30000);
  EXPECT_FALSE(two.uses.has_value());
  const UseLimits other = UseLimitsFor(own, by_group, groups, 3);
  EXPECT_EQ(other.cooldownMs, own.cooldownMs);
  EXPECT_EQ(other.uses, own.uses);
  TemplateFaults faults;
  ReadGroupLimits(json::parse(R"({"Limits": {"a": {"uses": -1}, "b": 5}})"), &faults);
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0].pointer, "/Limits/a/uses");
  EXPECT_EQ(faults[1].pointer, "/Limits/b");
  EXPECT_THROW(ReadGroupLimits(json::parse(R"({"Limits": []})")), TemplateReadError);
}

}  // namespace

namespace {

// The uses kept where GetParam() says: "journal", or a fresh database of a
// shared store on the engine it names, so that the same tests hold for both.
class UsesTest : public GroupsTest, public ::testing::WithParamInterface<std::string> {
 protected:
  // Admins may see and reset uses; "medic" every 250 s, "Camp" twice in all.
  json UsesConfig() {
    json config = StaffConfig({"Permissions", "Cooldowns", "AuditLog"});
    json& commands = config["Commands"];
    commands["Uses_Console"] = {{"Command", "uses"}, {"Permissions", true}, {"Whitelist", {"admins"}}};
    commands["ItemTemplate_Console"]["Templates"]["medic"]["cooldown"] = 250;
    commands["TeleportTo_Console"]["Locations"]["Camp"]["uses"] = 2;
    if (GetParam() != "journal") {
      database_ = FreshDatabaseOf(GetParam(), connection_);
      if (database_ != nullptr)
        config["Features"]["Cooldowns"]["Store"] = {
            {"Connection", connection_}, {"Server", "island-1"}, {"WaitMs", 1000}};
    }
    return config;
  }

  // Loaded, and with a shared store connected, so that its note is in the
  // record before the commands' replies and logs are read.
  void Start(const json& config) {
    GroupsTest::Start(config);
    shared_ = config["Features"].contains("Cooldowns") && config["Features"]["Cooldowns"].contains("Store");
    AwaitStore();
  }
  void Restart() {
    UnloadPlugin();
    ClearRecord();
    LoadPlugin();
    AwaitStore();
  }
  void AwaitStore() {
    if (!shared_) return;
    for (int tries = 0; tries < 1000 && !Logged("is connected (") && !Logged("can be reached again"); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Logged("is connected (") || Logged("can be reached again"))
        << ::testing::PrintToString(EventsOf("log"));
    ClearRecord();
  }
  bool Logged(const std::string& fragment) const {
    for (const json& log : EventsOf("log"))
      if (log.dump().find(fragment) != std::string::npos) return true;
    return false;
  }

  bool shared_ = false;
  TestDatabase* database_ = nullptr;
  std::string connection_;
};

TEST_P(UsesTest, AnAdminSeesAPlayersUsesAsTheirLimitsStand) {
  Start(UsesConfig());
  EXPECT_EQ(RepliesTo("Bob", "uses Carol"), Replies{"Carol has no uses counted."});
  Console("Carol", "kit medic");
  Console("Carol", "tp Camp");
  Console("Carol", "tp Camp");
  sim::AdvanceClock(10000);
  EXPECT_EQ(RepliesTo("Bob", "uses carol"),
            (Replies{"Uses of Carol:", "kit medic: 1 use, usable in 4 min.", "tp Camp: 2 uses, used up."}));
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Bob (76561198000000002) uses carol: done"});
  // Any Steam id, online or not; a name no one online has is answered.
  EXPECT_EQ(RepliesTo("Bob", "uses 76561198000000003"),
            (Replies{"Uses of Carol:", "kit medic: 1 use, usable in 4 min.", "tp Camp: 2 uses, used up."}));
  EXPECT_EQ(RepliesTo("Bob", "uses 76561198000000099"), Replies{"76561198000000099 has no uses counted."});
  EXPECT_EQ(RepliesTo("Bob", "uses Dave"),
            Replies{"No online player matches Dave; use the Steam id for names with spaces."});
  EXPECT_EQ(RepliesTo("Bob", "uses Carol medic"),
            Replies{"Usage: uses PLAYER, uses PLAYER ENTRY reset or uses PLAYER reset."});
  // Who is no admin may not look.
  EXPECT_EQ(RepliesTo("Carol", "uses Carol"), Replies{"You are not allowed to use this command."});
}

TEST_P(UsesTest, AResetIsHonouredByTheNextCommandAndByARestart) {
  Start(UsesConfig());
  Console("Carol", "kit medic");
  Console("Carol", "tp Camp");
  Console("Carol", "tp Camp");
  Console("Alice", "kit medic");
  EXPECT_EQ(RepliesTo("Bob", "uses Carol medic reset"), Replies{"The uses of medic by Carol are reset."});
  EXPECT_EQ(PluginLogs("info"), Replies{"AUDIT Bob (76561198000000002) uses Carol medic reset: done"});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  EXPECT_EQ(InventoryOf("Carol"), 2u);
  EXPECT_EQ(RepliesTo("Carol", "tp Camp"), Replies{"You have used Camp 2 times, the most allowed."});
  EXPECT_EQ(RepliesTo("Bob", "uses Carol medic reset"), Replies{"The uses of medic by Carol are reset."});
  EXPECT_EQ(RepliesTo("Bob", "uses Carol Lake reset"), Replies{"Carol has no uses of Lake counted."});
  EXPECT_EQ(RepliesTo("Bob", "uses Carol reset"), Replies{"Every use of Carol is reset (1 entry)."});
  // A restart reads the resets as they were written: Carol starts afresh, Alice does not.
  Restart();
  EXPECT_EQ(RepliesTo("Carol", "tp Camp"), Replies{});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(RepliesTo("Bob", "uses Alice reset"), Replies{"Every use of Alice is reset (1 entry)."});
  Restart();
  EXPECT_EQ(RepliesTo("Bob", "uses Alice"), Replies{"Alice has no uses counted."});
}

TEST_P(UsesTest, WithoutCooldownsNothingIsCountedAndTheCommandSaysSo) {
  json config = UsesConfig();
  config["Features"].erase("Cooldowns");
  Start(config);
  EXPECT_EQ(RepliesTo("Bob", "uses Carol"), Replies{"No uses are counted: the feature Cooldowns is not on."});
}

class SharedUsesTest : public UsesTest {};

// The threads of this process, as the system counts them.
std::size_t ThreadsOfThisProcess() {
#if defined(_WIN32)
  std::size_t count = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more != FALSE; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
#else
  const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
#endif
}

// A claim left waiting on a record that another server holds locked: the
// plugin unloaded meanwhile ends within moments, and its worker with it
// (never joined under the loader's lock, which the worker's end or the
// driver's error handling may need); the game's memory is back as it was, as
// every test checks at its end, and the claim given up on counts nothing.
TEST_P(SharedUsesTest, AnUnloadWithAStatementWaitingOnALockEndsAndLeavesNoThread) {
  const std::size_t before = ThreadsOfThisProcess();
  Start(UsesConfig());
  ASSERT_NE(database_, nullptr);
  EXPECT_EQ(ThreadsOfThisProcess(), before + 1) << "the store's worker is not the one thread the plugin adds";
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
  const std::unique_ptr<SqlConnection> holder = OdbcConnector()(connection_);
  holder->Run("SELECT uses FROM orvanel_uses WHERE steam_id = ? FOR UPDATE", {int64_t{76561198000000003}});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"),
            Replies{"The shared limits cannot be checked right now; try again in a moment."});
  const auto began = std::chrono::steady_clock::now();
  UnloadPlugin();
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3)) << "the unload waited on the lock";
  std::size_t after = ThreadsOfThisProcess();
  for (int tries = 0; tries < 300 && after != before; ++tries, after = ThreadsOfThisProcess())
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(after, before) << "a thread was left behind";
  holder->Rollback();
  ClearRecord();
  LoadPlugin();
  AwaitStore();
  EXPECT_EQ(RepliesTo("Bob", "uses Carol"), (Replies{"Uses of Carol:", "kit medic: 1 use, usable in 4 min 10 s."}));
}

// The shared store lost: the command says so and keeps nothing it did not
// keep; back, it counts on without a restart.
TEST_P(SharedUsesTest, AResetTheSharedStoreCannotTakeIsRefusedAndTriedAgainLater) {
  Start(UsesConfig());
  ASSERT_NE(database_, nullptr);
  Console("Carol", "kit medic");
  database_->Kill();
  ExpectHostLog("error", "cannot be reached (");
  ExpectHostLog("error", "The uses of 76561198000000003 were not reset: ");
  EXPECT_EQ(RepliesTo("Bob", "uses Carol reset"),
            Replies{"The uses of Carol could not be reset; try again in a moment."});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"),
            Replies{"The shared limits cannot be checked right now; try again in a moment."});
  database_->Start();
  for (int tries = 0; tries < 1000 && !Logged("can be reached again"); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  EXPECT_EQ(RepliesTo("Bob", "uses Carol reset"), Replies{"Every use of Carol is reset (1 entry)."});
  EXPECT_EQ(RepliesTo("Carol", "kit medic"), Replies{});
}

// The plugin copied into a folder without its store library: it says so once,
// refuses the limited entries, or with "local" counts them in its journal,
// and runs everything else.
TEST_F(GroupsTest, APluginWithoutItsStoreLibrarySaysSoAndRefusesOrCountsLocally) {
  const std::filesystem::path plugin(ORVANEL_PLUGIN_PATH);
  const std::filesystem::path alone = std::filesystem::path(ORVANEL_PLUGIN_PATH).parent_path() / "alone";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(plugin, alone / plugin.filename(), std::filesystem::copy_options::overwrite_existing);
  json config = StaffConfig({"Cooldowns"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["cooldown"] = 250;
  config["Features"]["Cooldowns"]["Store"] = {{"Connection", "DSN=orvanel"}, {"Server", "island-1"}};
  WriteConfig(config);
  AddWorld(FeatureWorld());
  ASSERT_TRUE(sandbox::LoadPlugin(alone / plugin.filename()));
  ExpectHostLog("error", "The use store \"island-1\" cannot be opened (");
  EXPECT_EQ(PluginLogs("error").size(), 1u);
  EXPECT_NE(PluginLogs("error").at(0).find("); limited entries are refused."), std::string::npos);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"),
            Replies{"The shared limits cannot be checked right now; try again in a moment."});
  EXPECT_EQ(RepliesTo("Alice", "kit builder"), Replies{});
  sandbox::UnloadPlugin();

  config["Features"]["Cooldowns"]["Store"]["WhenUnreachable"] = "local";
  WriteConfig(config);
  ClearRecord();
  ASSERT_TRUE(sandbox::LoadPlugin(alone / plugin.filename()));
  EXPECT_NE(PluginLogs("error").at(0).find("); uses are counted on this server only, unseen by the others."),
            std::string::npos);
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{});
  EXPECT_EQ(RepliesTo("Alice", "kit medic"), Replies{"You can use medic again in 4 min 10 s."});
  sandbox::UnloadPlugin();
  std::filesystem::remove_all(alone);
}

#if !defined(_WIN32)
// The store opened where its library cannot be found (the plugin looks for it
// beside itself, here this test program, which on Linux has none beside it;
// the Windows build puts every DLL in one folder): every claim refused as
// unreachable and holding nothing, every question answered by the exception
// that the commands turn into their "try again" replies.
TEST(StoreWithoutItsLibraryTest, RefusesEveryClaimAndAnswersNoQuestion) {
  StoreSettings settings;
  settings.connection = "DSN=orvanel-nowhere";
  settings.server = "island-1";
  const std::unique_ptr<UseStore> uses = OpenUses(settings);
  ASSERT_NE(uses, nullptr);
  const UseKey key{76561198000000001, "ItemTemplate_Console", "medic"};
  const UseClaim claim = uses->Claim(key, UseLimits{250000, 1}, 0);
  EXPECT_EQ(claim.verdict.kind, UseVerdictKind::Unreachable);
  EXPECT_EQ(claim.ticket, 0u);
  uses->Keep(claim.ticket);
  uses->GiveBack(claim.ticket);
  EXPECT_ANY_THROW(uses->Find(key));
  EXPECT_ANY_THROW(uses->Record(key, 0));
  EXPECT_ANY_THROW(uses->UsesOf(key.steamId));
  EXPECT_ANY_THROW(uses->Forget(key));
  EXPECT_ANY_THROW(uses->ForgetAll(key.steamId));
}
#endif

INSTANTIATE_TEST_SUITE_P(Stores, UsesTest, ::testing::Values("journal", "PostgreSQL", "MariaDB"));
INSTANTIATE_TEST_SUITE_P(Engines, SharedUsesTest, ::testing::ValuesIn(kEngines));

}  // namespace
