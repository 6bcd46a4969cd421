// The operators' tools against a real shared store: a journal moved into it by
// orvanel-check once, in whole or not at all, and never twice; the sandbox's
// `show` listing a player's uses as the store holds them.
#if !defined(_WIN32)
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "orvanel/store/SharedStore.h"
#include "store/Databases.h"
#include "store/StoreTesting.h"
#include "support/PluginTest.h"
#include "support/Process.h"

using nlohmann::json;

namespace {

class DatabaseToolsTest : public PluginTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    database_ = FreshDatabaseOf(GetParam(), connection_);
    ASSERT_NE(database_, nullptr);
  }

  std::filesystem::path Folder() const { return root_ / "TalvexApi" / "Plugins" / "Orvanel"; }

  // Every command as StandardConfig has it, a kit of one use and one of five,
  // and the uses kept in `store` (the journal when null).
  void WriteServerConfig(const json& store) {
    json config = StandardConfig();
    config["Features"]["Cooldowns"] = {{"Enabled", true}};
    if (!store.is_null()) config["Features"]["Cooldowns"]["Store"] = store;
    config["Commands"]["ItemTemplate_Console"]["Templates"]["starter"] = {
        {"uses", 1}, {"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}};
    config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"] = {
        {"uses", 5}, {"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}};
    WriteConfig(config);
  }
  json Store() const { return {{"Connection", connection_}, {"Server", "island-1"}, {"WaitMs", 1000}}; }

  std::string Sandbox(const std::string& script, int& status) {
    json world = ThreePlayers();
    world["assets"] = {{"items", {"/Game/Items/Bandage.Bandage_C"}}};
    std::ofstream(root_ / "world.json") << world.dump();
    std::ofstream(root_ / "script.txt") << script;
    return RunCommand(ORVANEL_SANDBOX_PATH,
                      "--root " + root_.string() + " --world " + (root_ / "world.json").string() + " " +
                          (root_ / "script.txt").string(),
                      status);
  }
  std::string Move(int& status) {
    return RunCommand(ORVANEL_CHECK_PATH, "--move-uses " + (Folder() / "config.json").string(), status);
  }
  std::vector<std::string> FilesNamed(const std::string& prefix) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Folder()))
      if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().filename().string());
    return names;
  }

  TestDatabase* database_ = nullptr;
  std::string connection_;
};

TEST_P(DatabaseToolsTest, AJournalMovesIntoTheStoreOnceAndTheStoreCountsOnFromIt) {
  WriteServerConfig(nullptr);
  int status = -1;
  std::string output = Sandbox("console Alice kit medic\nconsole Alice kit medic\nconsole Bob kit starter\n", status);
  ASSERT_EQ(status, 0) << output;
  // The same uses of another server already in the store are added to, not replaced.
  {
    auto store = OpenSharedStore(StoreSettings{connection_, "island-2", 1000, WhenUnreachable::Refuse}, nullptr, {});
    for (int i = 0; i < 100 && !store->Reachable(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    store->Record(UseKey{kAlice, "ItemTemplate_Console", "medic"}, 1000);
  }

  // Nothing moves while the store cannot be reached: the journal stays where it was.
  WriteServerConfig({{"Connection",
                      "Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Server=127.0.0.1;Port=1;"
                      "Database=none;Uid=orvanel;Pwd=" +
                          std::string(TestDatabase::kSecret)},
                     {"Server", "island-1"}});
  output = Move(status);
  EXPECT_EQ(status, 2) << output;
  EXPECT_NE(output.find("nothing was moved: the shared store \"island-1\" cannot take the uses"), std::string::npos)
      << output;
  EXPECT_EQ(output.find(TestDatabase::kSecret), std::string::npos) << output;
  EXPECT_EQ(FilesNamed("state.journal"), std::vector<std::string>{"state.journal"});

  WriteServerConfig(Store());
  output = Move(status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("orvanel-check: moved 3 uses of 2 players (2 records) into the shared store \"island-1\"; the "
                        "journal is kept as "),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find(TestDatabase::kSecret), std::string::npos) << output;
  const std::vector<std::string> aside = FilesNamed("state.journal");
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_TRUE(std::regex_match(aside[0], std::regex(R"(state\.journal\.moved-\d{8}-\d{6})"))) << aside[0];
  // A second move finds nothing to move, so nothing counts twice.
  output = Move(status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("no use to move"), std::string::npos) << output;

  // The store holds the moved uses with those of the other server, and counts on.
  output = Sandbox("show Alice\nconsole Bob kit starter\nconsole Alice kit medic\nshow Alice\n", status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_TRUE(std::regex_search(output, std::regex("ItemTemplate_Console +medic +3 ")) &&
              std::regex_search(output, std::regex("ItemTemplate_Console +medic +4 ")))
      << output;
  EXPECT_NE(output.find("(as the shared store \"island-1\" holds them"), std::string::npos) << output;
  EXPECT_NE(output.find("[to Bob] [system] You have used starter once, the most allowed.\n"), std::string::npos)
      << output;
  EXPECT_EQ(output.find(TestDatabase::kSecret), std::string::npos) << output;
}

TEST_P(DatabaseToolsTest, AMoveThatStoppedHalfwayIsNotRepeatedButNamed) {
  WriteServerConfig(Store());
  std::ofstream(Folder() / "state.journal.moving-20261210-120000") << "";
  int status = -1;
  const std::string output = Move(status);
  EXPECT_EQ(status, 2) << output;
  EXPECT_NE(output.find("an earlier move stopped before it finished: "), std::string::npos) << output;
  EXPECT_NE(output.find("state.journal.moving-20261210-120000\" holds uses that the store may hold already"),
            std::string::npos)
      << output;
}

TEST_P(DatabaseToolsTest, ShowSaysWhyTheStoreCannotAnswerWithoutItsSecret) {
  WriteServerConfig(
      {{"Connection", "Driver=/nonexistent/driver.so;Server=127.0.0.1;Pwd=" + std::string(TestDatabase::kSecret)},
       {"Server", "island-9"}});
  int status = -1;
  const std::string output = Sandbox("show Alice\n", status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("Uses: the shared use store \"island-9\" cannot answer right now: cannot be reached ("),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find(TestDatabase::kSecret), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabaseToolsTest, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return info.param; });

}  // namespace
#endif
