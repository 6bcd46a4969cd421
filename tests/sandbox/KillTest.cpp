// The sandbox program killed at random points while players use a counted kit
// (and so while the plugin writes its uses, or rewrites them as it loads): each
// next start finds every use the killed program confirmed, and at most the one
// it was recording.
#include "support/PluginTest.h"
#include "support/Process.h"

#include <fstream>
#include <random>
#include <regex>
#include <string>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using nlohmann::json;

namespace {

#if !defined(_WIN32)
constexpr const char* kConfirmation = "[to Alice] [system] Gave 1 item.\n";

class KillTest : public PluginTest {
 protected:
  std::string Arguments() const { return "--root " + root_.string() + " --world " + (root_ / "world.json").string(); }

  // Starts the program on the script, kills it once it has confirmed
  // `confirmations` uses and some time more has passed, and returns every use it
  // confirmed before it died.
  uint64_t RunAndKill(int confirmations, int microseconds) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    const pid_t child = fork();
    if (child == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      const std::string root = root_.string(), world = (root_ / "world.json").string(),
                        script = (root_ / "uses.txt").string();
      execl(ORVANEL_SANDBOX_PATH, ORVANEL_SANDBOX_PATH, "--root", root.c_str(), "--world", world.c_str(),
            script.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::string printed;
    uint64_t confirmed = 0;
    auto count = [&] {
      confirmed = 0;
      for (std::size_t at = printed.find(kConfirmation); at != std::string::npos;
           at = printed.find(kConfirmation, at + 1))
        ++confirmed;
    };
    char buffer[4096];
    while (confirmed < static_cast<uint64_t>(confirmations)) {
      const ssize_t got = read(out[0], buffer, sizeof buffer);
      if (got <= 0) break;
      printed.append(buffer, static_cast<std::size_t>(got));
      count();
    }
    usleep(static_cast<useconds_t>(microseconds));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // What it printed before it died, the pipe still holds.
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
      printed.append(buffer, static_cast<std::size_t>(got));
    close(out[0]);
    count();
    EXPECT_TRUE(WIFSIGNALED(status)) << printed;
    return confirmed;
  }

  // The uses of "medic" that `show Alice` lists after a clean start.
  uint64_t CountedUses() {
    std::ofstream(root_ / "show.txt") << "show Alice\n";
    int status = -1;
    const std::string output =
        RunCommand(ORVANEL_SANDBOX_PATH, Arguments() + " " + (root_ / "show.txt").string(), status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("[error]"), std::string::npos) << "the store failed to open: " << output;
    std::smatch match;
    if (!std::regex_search(output, match, std::regex("ItemTemplate_Console +medic +([0-9]+) "))) return 0;
    return std::stoull(match[1].str());
  }
};

TEST_F(KillTest, EveryConfirmedUseOutlivesAKillAtAnyPoint) {
  json config = StandardConfig();
  config["Features"] = {{"Cooldowns", {{"Enabled", true}}}, {"Feedback", {{"Enabled", true}}}};
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"] = {
      {"uses", 1000000000}, {"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}};
  WriteConfig(config);
  json world = ThreePlayers();
  world["assets"] = {{"items", {"/Game/Items/Bandage.Bandage_C"}}};
  std::ofstream(root_ / "world.json") << world.dump();
  {
    std::ofstream script(root_ / "uses.txt");
    for (int i = 0; i < 20000; ++i) script << "console Alice kit medic\n";
  }
  std::mt19937 random(20261210);
  uint64_t kept = 0;
  for (int round = 0; round < 12; ++round) {
    // Some kills land while the plugin loads and rewrites the journal.
    const int confirmations = round % 3 == 0 ? 0 : std::uniform_int_distribution<int>(1, 400)(random);
    const uint64_t confirmed = RunAndKill(confirmations, std::uniform_int_distribution<int>(0, 20000)(random));
    const uint64_t counted = CountedUses();
    EXPECT_GE(counted, kept + confirmed) << "round " << round;
    EXPECT_LE(counted, kept + confirmed + 1) << "round " << round;
    kept = counted;
  }
  EXPECT_GT(kept, 0u);
}
#endif

}  // namespace
