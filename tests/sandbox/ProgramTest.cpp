// The orvanel-sandbox program as a user runs it: a script on standard input,
// the plugin detached and attached again, and a clean exit.
#include "support/PluginTest.h"
#include "support/Process.h"

#include <fstream>
#include <regex>
#include <sstream>

using nlohmann::json;

namespace {

class ProgramTest : public PluginTest {
 protected:
  // Runs the program with `arguments` and returns what it printed; `status` gets its exit status.
  std::string RunProgram(const std::string& arguments, int& status) {
    return RunCommand(ORVANEL_SANDBOX_PATH, arguments, status);
  }
  // Runs the program on `script` in `world` (by default three players).
  std::string Run(const std::string& script, int& status, const json& world = ThreePlayers()) {
    const auto script_file = root_ / "session.txt";
    std::ofstream(script_file) << script;
    std::ofstream(root_ / "world.json") << world.dump();
    return RunProgram("--root " + root_.string() + " --world " + (root_ / "world.json").string() + " --events " +
                          (root_ / "events.jsonl").string() + " - < " + script_file.string(),
                      status);
  }
  std::vector<json> EventsFile() {
    std::vector<json> events;
    std::ifstream file(root_ / "events.jsonl");
    for (std::string line; std::getline(file, line);) events.push_back(json::parse(line));
    return events;
  }
};

TEST_F(ProgramTest, ThePluginUnloadsAndLoadsAgainAndTheProcessExitsCleanly) {
  WriteConfig(StandardConfig());
  int status = -1;
  const std::string output =
      Run("console Alice reload\n"
          "reload-plugin\n"
          "console Bob reload\n"
          "unload\n"
          "console Bob reload\n"
          "load\n"
          "console Carol reload\n"
          "dump\n",
          status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(output.find("fatal"), std::string::npos) << output;
  EXPECT_EQ(output.find("never freed"), std::string::npos) << output;
  EXPECT_EQ(output.find("stayed in memory"), std::string::npos) << output;
  std::vector<std::string> seen;
  for (const json& event : EventsFile()) {
    const std::string kind = event["event"];
    if (kind == "chat") seen.push_back("chat " + event["to"].get<std::string>());
    if ((kind == "register" || kind == "unregister") && event["text"] == "reload") seen.push_back(kind);
    if (kind == "unknown-command") seen.push_back("unknown");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"register", "chat Alice", "unregister", "register", "chat Bob",
                                            "unregister", "unknown", "register", "chat Carol", "unregister"}));
  EXPECT_NE(output.find("\"players\":[{"), std::string::npos);
}

TEST_F(ProgramTest, ABadConfigLeavesTheServerRunning) {
  WriteConfigText("{\"Commands\": ");
  int status = -1;
  const std::string output = Run("console Alice reload\ndump\n", status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[Dremmet][error]"), std::string::npos) << output;
  EXPECT_NE(output.find("\"players\":[{"), std::string::npos) << output;
}

TEST_F(ProgramTest, EventsAreValidJsonWhateverBytesTheyCarry) {
  // The parse error quotes the file's invalid byte; the lines carry their own.
  WriteConfigText("{\"Commands\": {\"x\": \"\xff\"}}");
  int status = -1;
  const std::string output = Run("chat Alice \xff\xfe hello\nconsole Bob reload\xc3(\ndump\n", status);
  EXPECT_EQ(status, 0) << output;
  std::vector<std::string> texts;
  for (const json& event : EventsFile())
    if (event["event"] == "unknown-command" || (event["event"] == "log" && event["logger"] == "Dremmet"))
      texts.push_back(event["text"]);
  ASSERT_EQ(texts.size(), 3u) << output;
  EXPECT_NE(texts[0].find("\xef\xbf\xbd"), std::string::npos) << texts[0];
  EXPECT_EQ(texts[1], "\xef\xbf\xbd\xef\xbf\xbd hello");
  EXPECT_EQ(texts[2], "reload\xef\xbf\xbd(");
}

TEST_F(ProgramTest, AWorldWithTwoPlayersOfOneSteamIdIsRefused) {
  json world = ThreePlayers();
  world["players"][2]["steamId"] = world["players"][0]["steamId"];
  int status = -1;
  const std::string output = Run("dump\n", status, world);
  EXPECT_EQ(status, 2) << output;
  EXPECT_NE(output.find("Carol has the Steam id 76561198000000001 of Alice"), std::string::npos) << output;
  EXPECT_EQ(output.find("\"players\""), std::string::npos) << output;
}

// The example session prints the same on every platform, once the log's
// timestamps, the plugin's file name and line ends are set aside.
std::string Comparable(const std::string& output) {
  std::string text = std::regex_replace(output, std::regex("\r"), "");
  text = std::regex_replace(text, std::regex("^[0-9/]+ [0-9:]+ ", std::regex::multiline), "");
  return std::regex_replace(text, std::regex("(libOrvanel\\.so|Orvanel\\.dll)"), "PLUGIN");
}

TEST_F(ProgramTest, TheExampleSessionPrintsWhatItsTranscriptShows) {
  const std::filesystem::path examples(ORVANEL_EXAMPLES_DIR);
  std::filesystem::copy_file(examples / "server" / "TalvexApi" / "Plugins" / "Orvanel" / "config.json",
                             root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json");
  int status = -1;
  const std::string output =
      RunProgram("--root " + root_.string() + " --world " + (examples / "worlds" / "example.json").string() + " " +
                     (examples / "sessions" / "example.session").string(),
                 status);
  EXPECT_EQ(status, 0) << output;
  std::ifstream transcript(examples / "sessions" / "example.out", std::ios::binary);
  std::stringstream expected;
  expected << transcript.rdbuf();
  EXPECT_EQ(Comparable(output), Comparable(expected.str()));
}

}  // namespace

namespace {

// Lines piped in without "-" are the script, echoed as a script file's are;
// blanks before a command word are no part of it; a command without the
// argument it needs answers its usage.
TEST_F(ProgramTest, LinesPipedInAreTheScript) {
  WriteConfig(StandardConfig());
  std::ofstream(root_ / "world.json") << ThreePlayers().dump();
  std::ofstream(root_ / "piped.txt") << "  console Alice reload\nshow creature\noffline\n";
  int status = -1;
  const std::string output = RunProgram("--root " + root_.string() + " --world " + (root_ / "world.json").string() +
                                            " < " + (root_ / "piped.txt").string(),
                                        status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find(">   console Alice reload\n"), std::string::npos) << output;
  EXPECT_NE(output.find("[to Alice] [system] Test config reloaded!\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Usage: show NAME | show creature ID\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Usage: offline NAME\n"), std::string::npos) << output;
  EXPECT_EQ(output.find("Unknown command"), std::string::npos) << output;
  EXPECT_EQ(output.find("givekit"), std::string::npos) << "the example session was played: " << output;
}

// Every command that needs an argument answers its usage without one, blanks
// being no argument; nothing reaches the host or the world.
TEST_F(ProgramTest, ACommandWithoutItsArgumentAnswersItsUsage) {
  WriteConfig(StandardConfig());
  int status = -1;
  const std::string output =
      Run("chat\nchat Alice\nchat Alice  \nconsole\nconsole Alice\nconsole Alice \noffline \nonline\nshow\n"
          "show  \nshow creature\nshow creature \nmap\nmap Alice\nmap Alice  \n",
          status);
  EXPECT_EQ(status, 0) << output;
  std::vector<std::string> usages;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("Usage: ")) usages.push_back(line.substr(0, line.find(' ', 7)));
  EXPECT_EQ(usages,
            (std::vector<std::string>{"Usage: chat", "Usage: chat", "Usage: chat", "Usage: console", "Usage: console",
                                      "Usage: console", "Usage: offline", "Usage: online", "Usage: show", "Usage: show",
                                      "Usage: show", "Usage: show", "Usage: map", "Usage: map", "Usage: map"}))
      << output;
  for (const json& event : EventsFile()) EXPECT_NE(event["event"], "unknown-command") << event.dump();
  EXPECT_EQ(output.find("There is no"), std::string::npos) << output;
}

TEST_F(ProgramTest, AScriptThatCannotBeReadIsRefusedBeforeAnythingStarts) {
  WriteConfig(StandardConfig());
  int status = -1;
  const std::string output =
      RunProgram("--root " + root_.string() + " " + (root_ / "no-such-script.txt").string() + " 2>&1", status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(output, "Cannot read the script " + (root_ / "no-such-script.txt").string() + "\n");
}

}  // namespace

namespace {

// Cooldowns previewed as an operator would: the game's clock moved by `wait`,
// `show` telling when each entry may be used again, and the uses still there
// after the server was killed and started again on the same tree.
TEST_F(ProgramTest, UsesOutliveAKilledServerAndTheClockMovesOnlyWhenToldTo) {
  json config = StandardConfig();
  config["Features"]["Cooldowns"] = {{"Enabled", true}};
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"] = {
      {"cooldown", 250}, {"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}};
  config["Commands"]["TeleportTo_Console"]["Locations"]["Camp"] = {{"x", 10}, {"uses", 1}};
  WriteConfig(config);
  json world = ThreePlayers();
  world["clock"] = "2026-12-10T07:00:00Z";
  world["assets"] = {{"items", {"/Game/Items/Bandage.Bandage_C"}}};
  int status = -1;
  std::string output =
      Run("console Alice kit medic\nconsole Alice kit medic\nconsole Alice tp Camp\nwait 100\nshow Alice\nkill\n"
          "console Alice tp Camp\n",
          status, world);
  EXPECT_EQ(status, 137) << output;
  EXPECT_NE(output.find("[to Alice] [system] You can use medic again in 4 min 10 s.\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Clock: 2026-12-10 07:01:40 UTC\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Uses, at 2026-12-10 07:01:40 UTC:\n"), std::string::npos) << output;
  EXPECT_NE(output.find("in 2 min 30 s (2026-12-10 07:04:10 UTC)"), std::string::npos) << output;
  EXPECT_NE(output.find("used up"), std::string::npos) << output;
  EXPECT_EQ(output.find("unregister"), std::string::npos) << "the plugin was unloaded: " << output;
  EXPECT_EQ(output.find("You have used Camp"), std::string::npos) << "a line after kill ran: " << output;

  output =
      Run("console Alice tp Camp\nwait 249\nconsole Alice kit medic\nwait 1\nconsole Alice kit medic\n", status, world);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[to Alice] [system] You have used Camp once, the most allowed.\n"), std::string::npos)
      << output;
  EXPECT_NE(output.find("[to Alice] [system] You can use medic again in 1 s.\n"), std::string::npos) << output;
  EXPECT_EQ(output.find("You can use medic again in 1 s.\n", output.find("wait 1\n")), std::string::npos) << output;
}

}  // namespace
