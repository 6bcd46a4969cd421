// The sandbox program killed at random points while players use a counted kit
// (and so while the plugin writes its uses, or rewrites them as it loads): each
// next start finds every use the killed program confirmed, and at most the one
// it was recording.
#include "support/KilledChild.h"
#include "support/PluginTest.h"
#include "support/Process.h"

#include <fstream>
#include <random>
#include <regex>
#include <string>

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
    const auto confirmed = [](const std::string& printed) {
      uint64_t count = 0;
      for (std::size_t at = printed.find(kConfirmation); at != std::string::npos;
           at = printed.find(kConfirmation, at + 1))
        ++count;
      return count;
    };
    const KilledChild run = RunSandboxUntilKilled(
        root_.string(), (root_ / "world.json").string(), (root_ / "uses.txt").string(),
        [&](const std::string& printed) { return confirmed(printed) >= static_cast<uint64_t>(confirmations); },
        static_cast<useconds_t>(microseconds));
    EXPECT_TRUE(run.killed) << run.written;
    return confirmed(run.written);
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
