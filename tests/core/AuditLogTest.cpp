// The AuditLog feature end to end: every run of every command, allowed or
// refused, leaves one info line through the plugin's logger naming the caller,
// the line as typed and what came of it; with a "File", the same lines and no
// others go to one file a day in the plugin's folder.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <spdlog/sinks/daily_file_sink.h>

#include "core/FeatureTest.h"
#include "orvanel/run/Logger.h"
#include "sandbox/game/World.h"

using nlohmann::json;

namespace {

class AuditLogTest : public FeatureTest {
 protected:
  // The catalogues of the fixture, each with one entry that fails to read.
  static json AuditConfig(const std::vector<std::string>& features) {
    json config = FeatureConfig(features);
    json& commands = config["Commands"];
    commands["ItemTemplate_Console"]["Templates"]["broken"] = {{"count", "two"}};
    commands["SpawnTemplate_Console"]["Templates"]["broken"] = {{"blueprint", 5}};
    commands["TeleportTo_Console"]["Locations"]["Broken"] = {{"x", "100"}};
    return config;
  }

  // The audit lines logged while `action` runs.
  template <typename Action>
  std::vector<std::string> AuditOf(Action action) {
    ClearRecord();
    action();
    std::vector<std::string> lines = PluginLogs("info");
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("AUDIT ", 0), 0u) << line;
    return lines;
  }

  static std::string Alice(const std::string& rest) { return "AUDIT Alice (76561198000000001) " + rest; }

  // The standard config of these tests with the audit file "audit/orvanel-audit.log".
  static json FileConfig(const std::vector<std::string>& features) {
    json config = AuditConfig(features);
    config["Features"]["AuditLog"]["File"] = "audit/orvanel-audit.log";
    return config;
  }

  std::filesystem::path AuditFolder() const { return root_ / "TalvexApi" / "Plugins" / "Orvanel" / "audit"; }

  // The names of the day files of "orvanel-audit.log" in the audit folder, in byte order.
  std::vector<std::string> DayFiles() const {
    static const std::regex day_file(R"(orvanel-audit_\d{4}-\d{2}-\d{2}\.log)");
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(AuditFolder(), error))
      if (std::regex_match(file.path().filename().string(), day_file)) names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // The lines of the one day file written since the 2020 ones, each without its
  // date and time, which must be there.
  std::vector<std::string> TodaysLines() const {
    const std::vector<std::string> names = DayFiles();
    EXPECT_TRUE(!names.empty() && names.back() > "orvanel-audit_2021") << "no day file of today";
    if (names.empty()) return {};
    static const std::regex stamped(R"(\d\d/\d\d/\d\d \d\d:\d\d \[Dremmet\]\[info\] (.*))");
    std::ifstream file(AuditFolder() / names.back(), std::ios::binary);
    std::vector<std::string> lines;
    std::smatch parts;
    for (std::string line; std::getline(file, line);) {
      if (line.ends_with('\r')) line.pop_back();  // spdlog's line end on Windows
      lines.push_back(std::regex_match(line, parts, stamped) ? parts[1].str() : "unstamped: " + line);
    }
    return lines;
  }

  // The plugin loaded with auditing on, in the feature world with one game member missing.
  void StartWithUnresolved(const std::string& member) {
    WriteConfig(AuditConfig({"AuditLog"}));
    json world = FeatureWorld();
    world["unresolved"] = {member};
    AddWorld(world);
    LoadPlugin();
  }
};

TEST_F(AuditLogTest, EachOutcomeOfEachCommandHasItsLine) {
  Start(AuditConfig({"AuditLog"}));
  const std::vector<std::pair<std::string, std::string>> runs = {
      {"health", "surveyed 2 creatures"},
      {"kit builder", "gave 8 items"},
      {"kit medic", "gave 1 item"},
      {"kit hunter", "gave 3 of 4 items"},
      {"kit castle", "no such template"},
      {"kit", "no such template"},
      {"kit broken", "failed to read template"},
      {"spawn raptors", "spawned 4 creatures"},
      {"spawn ghosts", "spawned 0 of 2 creatures"},
      {"spawn dodos", "spawned 2 creatures"},
      {"spawn nest", "no such template"},
      {"spawn broken", "failed to read template"},
      {"tp Lake", "moved to -4000.5, 2200, 0"},
      {"tp Camp", "moved to 1500, -200, 30"},
      {"tp camp", "no such template"},
      {"tp", "no such template"},
      {"tp Broken", "failed to read template"},
      {"reload", "reloaded"},
  };
  for (const auto& [line, outcome] : runs)
    EXPECT_EQ(AuditOf([&] { Console("Alice", line); }), std::vector<std::string>{Alice(line + ": " + outcome)});
  // The survey counts the creatures of the lines: from the camp, the two of
  // the world and the six Alice spawned (the ghosts never came).
  EXPECT_EQ(AuditOf([&] { Chat("Alice", "/health"); }),
            std::vector<std::string>{Alice("/health: surveyed 8 creatures")});
  EXPECT_EQ(AuditOf([&] { Chat("Carol", "/health"); }),
            std::vector<std::string>{"AUDIT Carol (76561198000000003) /health: surveyed 0 creatures"});
}

// An item the game did not make is not counted as given, nor a creature whose
// saddle it did not make as anything less than spawned.
TEST_F(AuditLogTest, ItemsTheGameDidNotMakeAreNotCountedAsGiven) {
  WriteConfig(AuditConfig({"AuditLog"}));
  json world = FeatureWorld();
  world["itemCreationFails"] = {"/Game/Items/Hatchet.Hatchet_C"};
  AddWorld(world);
  LoadPlugin();
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit builder"); }),
            std::vector<std::string>{Alice("kit builder: gave 7 of 8 items")});
}

TEST_F(AuditLogTest, TheLineIsLoggedAsTypedAndTheRepliesStayAsTheyWere) {
  Start(AuditConfig({"AuditLog"}));
  EXPECT_EQ(AuditOf([&] { Console("Bob", "tp   Camp  {} extra "); }),
            std::vector<std::string>{"AUDIT Bob (76561198000000002) tp   Camp  {} extra : moved to 1500, -200, 30"});
  EXPECT_TRUE(ChatTo("Bob").empty());
  EXPECT_EQ(AuditOf([&] { Chat("Alice", "/health now"); }),
            std::vector<std::string>{Alice("/health now: surveyed 2 creatures")});
  AuditOf([&] { Console("Alice", "kit castle"); });
  EXPECT_EQ(ChatTo("Alice"), std::vector<std::string>{"The template does not exist! Maybe you forgot to reload..?"});
}

// The log is UTF-8: a name or a line keeps every character; a lone surrogate,
// which no text can hold, becomes "?".
TEST_F(AuditLogTest, NamesAndLinesKeepEveryCharacter) {
  Start(AuditConfig({"AuditLog"}));
  AddWorld({{"players", {{{"name", "Zoë"}, {"steamId", 76561198000000009ULL}, {"team", 1001}}}}});
  EXPECT_EQ(AuditOf([&] { Console("Zoë", "kit stärter 𝄞"); }),
            std::vector<std::string>{"AUDIT Zoë (76561198000000009) kit stärter 𝄞: no such template"});
}

TEST_F(AuditLogTest, RefusedAndFailedRunsAreLoggedToo) {
  json config = AuditConfig({"AuditLog", "Permissions"});
  config["Commands"]["ItemTemplate_Console"]["Permissions"] = true;
  config["Commands"]["ItemTemplate_Console"]["Whitelist"] = {kAliceId};
  Start(config);
  EXPECT_EQ(AuditOf([&] { Console("Bob", "kit builder"); }),
            std::vector<std::string>{"AUDIT Bob (76561198000000002) kit builder: refused: not allowed"});
  EXPECT_EQ(PluginLogs("warning").size(), 1u);
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }), std::vector<std::string>{Alice("kit medic: gave 1 item")});

  // A file the next load would refuse: the plugin logs the failure, the
  // audit line says so, and the old settings stay.
  WriteConfigText("{\"Commands\": ");
  ExpectHostLog("error", "The command ReloadConfig_Console failed");
  EXPECT_EQ(AuditOf([&] { Console("Alice", "reload"); }), std::vector<std::string>{Alice("reload: reload failed")});
  EXPECT_EQ(CommandFailures().size(), 1u);
  EXPECT_EQ(AuditOf([&] { Console("Alice", "tp Camp"); }),
            std::vector<std::string>{Alice("tp Camp: moved to 1500, -200, 30")});
}

TEST_F(AuditLogTest, ACommandStoppedByAMissingGameMemberSaysWhichOne) {
  StartWithUnresolved("UPrimalItem.AddNewItem");
  const std::string stop = "the game member \"UPrimalItem.AddNewItem\" is not available";
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }),
            std::vector<std::string>{Alice("kit medic: stopped: " + stop)});
  EXPECT_EQ(PluginLogs("error"), std::vector<std::string>{"The command ItemTemplate_Console stopped: " + stop});
}

TEST_F(AuditLogTest, ACommandThatFailsBeforeDoingAnythingIsLoggedAsFailed) {
  WriteConfig(AuditConfig({"AuditLog"}));
  json world = FeatureWorld();
  world["allocationLimit"] = 44;  // short command texts, no item class path
  AddWorld(world);
  LoadPlugin();
  ExpectHostLog("error", "The command ItemTemplate_Console failed: std::bad_alloc");
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }), std::vector<std::string>{Alice("kit medic: failed")});
}

TEST_F(AuditLogTest, ACallerTheGameCannotNameIsLoggedAsAQuestionMark) {
  StartWithUnresolved("AShooterPlayerState.GetPlayerName");
  // The name is for the log line only: the kit is still given.
  EXPECT_EQ(AuditOf([&] { Console("Alice", "kit medic"); }),
            std::vector<std::string>{"AUDIT ? (76561198000000001) kit medic: gave 1 item"});
  EXPECT_TRUE(PluginLogs("error").empty());
}

// A name holding a line break and a copy of an audit line, a typed line with a
// terminal sequence and a backslash: each stays in its one line, its controls
// visible, in the server's log and in the audit file; replies stay as they are.
TEST_F(AuditLogTest, ANameOrALineWithControlCharactersCannotForgeALine) {
  json config = FileConfig({"AuditLog", "Permissions"});
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["Whitelist"] = {kAliceId};
  Start(config);
  const std::string forged = "12/10/26 10:38 [Dremmet][info] AUDIT Alice (76561198000000001) givekit big: gave 1 item";
  AddWorld(
      {{"players",
        {{{"name", "Mal"}, {"playerName", "Mal\n" + forged}, {"steamId", 76561198000000066ULL}, {"team", 1001}}}}});
  const std::string mal = "AUDIT Mal\\n" + forged + " (76561198000000066) ";
  EXPECT_EQ(AuditOf([&] { Console("Mal", "kit medic"); }),
            std::vector<std::string>{mal + "kit medic: refused: not allowed"});
  EXPECT_EQ(PluginLogs("warning"), std::vector<std::string>{"Mal\\n" + forged +
                                                            " (76561198000000066) is not allowed to use "
                                                            "ItemTemplate_Console \"medic\""});
  EXPECT_EQ(ChatTo("Mal"), std::vector<std::string>{"You are not allowed to use medic."});
  EXPECT_EQ(AuditOf([&] { Console("Mal", "tp Camp\x1b[2J\r\x1b[1A"); }),
            std::vector<std::string>{mal + "tp Camp\\x1b[2J\\r\\x1b[1A: no such template"});
  EXPECT_EQ(AuditOf([&] { Console("Alice", "tp C:\\new"); }),
            std::vector<std::string>{Alice("tp C:\\\\new: no such template")});
  EXPECT_EQ(TodaysLines(), (std::vector<std::string>{mal + "kit medic: refused: not allowed",
                                                     mal + "tp Camp\\x1b[2J\\r\\x1b[1A: no such template",
                                                     Alice("tp C:\\\\new: no such template")}));
}

// `wait 86400` in the sandbox: the next line goes to the next day's file.
TEST_F(AuditLogTest, TheDayFileIsTheDayOfTheGamesClock) {
  Start(FileConfig({"AuditLog"}));
  Console("Alice", "kit medic");
  EXPECT_EQ(TodaysLines(), std::vector<std::string>{Alice("kit medic: gave 1 item")});
  sim::AdvanceClock(86400000);
  Console("Alice", "tp Camp");
  EXPECT_EQ(DayFiles().size(), 2u);
  EXPECT_EQ(TodaysLines(), std::vector<std::string>{Alice("tp Camp: moved to 1500, -200, 30")});
}

TEST_F(AuditLogTest, WithoutTheGamesClockTheLineGoesToTheSystemsDayAndTheCommandRuns) {
  WriteConfig(FileConfig({"AuditLog"}));
  json world = FeatureWorld();
  world["unresolved"] = {"FDateTime.UtcNow"};
  AddWorld(world);
  LoadPlugin();
  Console("Alice", "kit medic");
  EXPECT_EQ(PlayerDump("Alice")["inventory"].size(), 1u);
  EXPECT_EQ(TodaysLines(), std::vector<std::string>{Alice("kit medic: gave 1 item")});
  EXPECT_TRUE(PluginLogs("error").empty());
}

TEST_F(AuditLogTest, OffItLogsNothing) {
  json config = AuditConfig({"Permissions", "Feedback"});
  config["Features"]["AuditLog"] = {{"Enabled", false}};
  Start(config);
  for (const char* line : {"health", "kit builder", "kit castle", "spawn raptors", "tp Camp", "reload"})
    EXPECT_TRUE(AuditOf([&] { Console("Alice", line); }).empty()) << line;
  // Switched on in the file: still off until the next load.
  config["Features"]["AuditLog"]["Enabled"] = true;
  WriteConfig(config);
  EXPECT_TRUE(AuditOf([&] { Console("Alice", "reload"); }).empty());
  EXPECT_TRUE(AuditOf([&] { Console("Alice", "kit medic"); }).empty());
}

TEST_F(AuditLogTest, TheFileOfTheDayGetsTheAuditLinesAndNoOthers) {
  json config = FileConfig({"AuditLog", "Permissions"});
  config["Commands"]["ItemTemplate_Console"]["Permissions"] = true;
  config["Commands"]["ItemTemplate_Console"]["Whitelist"] = {kAliceId};
  Start(config);
  const std::vector<std::string> lines = AuditOf([&] {
    Console("Alice", "kit medic");
    Console("Bob", "kit builder");
    Console("Alice", "tp Camp");
    Chat("Carol", "/health");
  });
  const std::vector<std::string> expected = {
      Alice("kit medic: gave 1 item"), "AUDIT Bob (76561198000000002) kit builder: refused: not allowed",
      Alice("tp Camp: moved to 1500, -200, 30"), "AUDIT Carol (76561198000000003) /health: surveyed 0 creatures"};
  EXPECT_EQ(lines, expected);
  // Bob's refusal is a warning of the server's log, not an audit line.
  EXPECT_EQ(PluginLogs("warning").size(), 1u);
  EXPECT_EQ(DayFiles().size(), 1u);
  EXPECT_EQ(TodaysLines(), expected);
}

TEST_F(AuditLogTest, DaysKeepsTheNewestDayFilesAndNoFileOfAnotherName) {
  std::filesystem::create_directories(AuditFolder());
  const auto touch = [&](const std::string& name) { std::ofstream(AuditFolder() / name) << "old\n"; };
  for (int day = 1; day <= 31; ++day)
    touch("orvanel-audit_2020-01-" + std::string(day < 10 ? "0" : "") + std::to_string(day) + ".log");
  const std::vector<std::string> others = {"orvanel-audit.log", "orvanel-audit_2020-01-01.log.gz",
                                           "orvanel-audit_2020-1-1.log", "orvanel-audit_20200101.log",
                                           "other_2020-01-01.log"};
  for (const std::string& name : others) touch(name);

  // 30 by default: today's and the 29 newest before it.
  json config = FileConfig({"AuditLog"});
  Start(config);
  std::vector<std::string> kept = DayFiles();
  ASSERT_EQ(kept.size(), 30u);
  EXPECT_EQ(kept.front(), "orvanel-audit_2020-01-03.log");
  EXPECT_EQ(kept[28], "orvanel-audit_2020-01-31.log");

  UnloadPlugin();
  config["Features"]["AuditLog"]["Days"] = 2;
  WriteConfig(config);
  LoadPlugin();
  kept = DayFiles();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept.front(), "orvanel-audit_2020-01-31.log");
  for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(AuditFolder() / name)) << name;
  AuditOf([&] { Console("Alice", "kit medic"); });
  EXPECT_EQ(TodaysLines(), std::vector<std::string>{Alice("kit medic: gave 1 item")});
}

TEST_F(AuditLogTest, AFileThatCannotBeOpenedIsLoggedOnceAndTheServersLogKeepsTheLines) {
  // A file where the folder of the day files should be.
  std::ofstream(AuditFolder()) << "in the way\n";
  Start(FileConfig({"AuditLog"}));
  const std::vector<std::string> errors = PluginLogs("error");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].starts_with("The audit file cannot be written (Failed opening file ")) << errors[0];
  EXPECT_TRUE(errors[0].ends_with("); audit lines go to the server's log")) << errors[0];
  EXPECT_NE(errors[0].find("orvanel-audit_"), std::string::npos) << errors[0];
#if !defined(_WIN32)
  EXPECT_NE(errors[0].find("for writing: Not a directory"), std::string::npos) << errors[0];
#endif
  EXPECT_EQ(AuditOf([&] {
              Console("Alice", "kit medic");
              Console("Alice", "tp Camp");
            }),
            (std::vector<std::string>{Alice("kit medic: gave 1 item"), Alice("tp Camp: moved to 1500, -200, 30")}));
  EXPECT_TRUE(PluginLogs("error").empty());
}

#if defined(__linux__)
// The files of `folder` that the process holds open.
std::vector<std::string> OpenFilesIn(const std::filesystem::path& folder) {
  const std::string prefix = std::filesystem::weakly_canonical(folder).string() + "/";
  std::vector<std::string> open;
  for (const auto& descriptor : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(descriptor.path(), error).string();
    if (!error && target.starts_with(prefix)) open.push_back(target);
  }
  return open;
}
#endif

TEST_F(AuditLogTest, UnloadClosesTheFileAndTheNextLoadMakesItAnew) {
  Start(FileConfig({"AuditLog"}));
  AuditOf([&] { Console("Alice", "kit medic"); });
#if defined(__linux__)
  EXPECT_EQ(OpenFilesIn(AuditFolder()).size(), 1u);
#endif
  UnloadPlugin();
#if defined(__linux__)
  EXPECT_EQ(OpenFilesIn(AuditFolder()), std::vector<std::string>{});
#endif
  // Windows removes no file that is open.
  std::error_code error;
  std::filesystem::remove_all(AuditFolder(), error);
  EXPECT_FALSE(error) << error.message();
  LoadPlugin();
  AuditOf([&] { Console("Alice", "tp Camp"); });
  EXPECT_EQ(TodaysLines(), std::vector<std::string>{Alice("tp Camp: moved to 1500, -200, 30")});
}

TEST_F(AuditLogTest, AReloadNamesAChangedFileAndWritesOnToTheLoadedOne) {
  json config = FileConfig({"AuditLog"});
  Start(config);
  config["Features"]["AuditLog"]["File"] = "elsewhere/audit.log";
  config["Features"]["AuditLog"]["Days"] = 7;
  WriteConfig(config);
  const std::string unapplied =
      "Not applied until the plugin is loaded again: Features \"AuditLog\" \"File\" \"Days\".";
  AuditOf([&] { Console("Alice", "reload"); });
  EXPECT_EQ(ChatTo("Alice"), (std::vector<std::string>{"Test config reloaded!", unapplied}));
  EXPECT_EQ(PluginLogs("warning"), std::vector<std::string>{unapplied});
  AuditOf([&] { Console("Alice", "kit medic"); });
  EXPECT_EQ(TodaysLines(), (std::vector<std::string>{Alice("reload: reloaded"), Alice("kit medic: gave 1 item")}));
  EXPECT_FALSE(std::filesystem::exists(AuditFolder().parent_path() / "elsewhere"));
}

TEST_F(AuditLogTest, AFileOrDaysOfTheWrongKindFailsTheLoadAndTheReload) {
  json config = FileConfig({"AuditLog"});
  config["Features"]["AuditLog"]["File"] = "";
  Start(config);
  EXPECT_TRUE(EventsOf("register").empty());
  EXPECT_EQ(PluginLogs("error"),
            std::vector<std::string>{"[json.exception.type_error.302] (/Features/AuditLog/File) must name a file, "
                                     "not be empty"});
  EXPECT_FALSE(std::filesystem::exists(AuditFolder()));

  UnloadPlugin();
  config["Features"]["AuditLog"]["File"] = "audit/orvanel-audit.log";
  WriteConfig(config);
  LoadPlugin();
  config["Features"]["AuditLog"]["Days"] = 0.5;
  WriteConfig(config);
  ExpectHostLog("error", "The command ReloadConfig_Console failed");
  AuditOf([&] { Console("Alice", "reload"); });
  EXPECT_EQ(CommandFailures(), std::vector<std::string>{"[json.exception.type_error.302] (/Features/AuditLog/Days) "
                                                        "must be a whole number of 1 or more"});
  EXPECT_EQ(TodaysLines(), std::vector<std::string>{Alice("reload: reload failed")});
}

// The next day's file, which no load reaches, through the units themselves:
// the day's turn is the game clock's.
TEST_F(AuditLogTest, ANextDaysFileThatCannotBeOpenedIsLoggedOnceAndTheServersLogKeepsTheLines) {
  WriteConfig(FileConfig({"AuditLog"}));
  BuildLogger();
  BuildAuditLogger(ReadSettings(FileConfig({"AuditLog"})));
  sim::AdvanceClock(86400000);
  const auto tomorrow = spdlog::log_clock::time_point(std::chrono::milliseconds(sim::GetWorld().clockMs));
  std::filesystem::create_directories(
      AuditFolder() / spdlog::sinks::daily_filename_calculator::calc_filename(
                          "orvanel-audit.log", spdlog::details::os::localtime(spdlog::log_clock::to_time_t(tomorrow))));
  for (const char* line : {"AUDIT one", "AUDIT two"}) GetAuditLogger()->info(line);
  EXPECT_EQ(PluginLogs("info"), (std::vector<std::string>{"AUDIT one", "AUDIT two"}));
  const std::vector<std::string> errors = PluginLogs("error");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].starts_with("The audit file cannot be written (Failed opening file ")) << errors[0];
  GetAuditLogger().reset();
  GetLogger().reset();
}

}  // namespace
