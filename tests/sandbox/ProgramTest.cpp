// The orvanel-sandbox program as a user runs it: a script on standard input,
// the plugin detached and attached again, and a clean exit.
#include "support/PluginTest.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using nlohmann::json;

namespace {

class ProgramTest : public PluginTest {
 protected:
  // Runs the program on `script` and returns what it printed; `status` gets its exit status.
  std::string Run(const std::string& script, int& status, const json& world = ThreePlayers()) {
    const auto script_file = root_ / "session.txt";
    std::ofstream(script_file) << script;
    std::ofstream(root_ / "world.json") << world.dump();
    const std::string command = std::string(ORVANEL_SANDBOX_PATH) + " --root " + root_.string() + " --world " +
                                (root_ / "world.json").string() + " --events " + (root_ / "events.jsonl").string() +
                                " - < " + script_file.string() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (std::size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
    status = pclose(pipe);
    return output;
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
  const std::string output = Run(
      "console Alice reload\n"
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
  EXPECT_EQ(WEXITSTATUS(status), 2) << output;
  EXPECT_NE(output.find("Carol has the Steam id 76561198000000001 of Alice"), std::string::npos) << output;
  EXPECT_EQ(output.find("\"players\""), std::string::npos) << output;
}

}  // namespace
