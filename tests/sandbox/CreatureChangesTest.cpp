// The sandbox's commands that change a creature behind the plugin's back, as a
// tester types them: one of a spawned group dies, one is tamed away, one is
// removed, and the despawn command removes only the rest.
#include "support/PluginTest.h"
#include "support/Process.h"

#include <fstream>
#include <sstream>

using nlohmann::json;

namespace {

class CreatureChangesTest : public PluginTest {
 protected:
  // The program on `script` in the three players' world, where any asset spawns;
  // what it printed, the host's log lines left out.
  std::string Run(const std::string& script, int& status) {
    json world = ThreePlayers();
    world["assets"] = {{"any", true}};
    std::ofstream(root_ / "world.json") << world.dump();
    std::ofstream(root_ / "session.txt") << script;
    const std::string output = RunCommand(ORVANEL_SANDBOX_PATH,
                                          "--root " + root_.string() + " --world " + (root_ / "world.json").string() +
                                              " - < " + (root_ / "session.txt").string(),
                                          status);
    std::string kept;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
      if (line.find("[TalvexApi]") == std::string::npos && !line.starts_with("register ") &&
          !line.starts_with("unregister "))
        kept += line + "\n";
    return kept;
  }

  static json PackConfig() {
    json config = StandardConfig();
    config["Commands"]["SpawnTemplate_Console"]["Templates"]["pack"] = {
        {"blueprint", "Blueprint'/Game/Creatures/Raptor.Raptor'"}, {"count", 4}};
    return config;
  }
};

TEST_F(CreatureChangesTest, DespawnSkipsTheCreaturesThatDiedWereRemovedOrAreOnAnotherTeam) {
  WriteConfig(PackConfig());
  int status = -1;
  // The pack's creatures are the world's objects 23, 28, 32 and 36, as `dump` shows them.
  const std::string output = Run(
      "console Alice spawn pack\nslay 23\nretame 28 2002\nremove 32\nconsole Alice despawn\ndump creatures\n", status);
  EXPECT_EQ(status, 0) << output;
  const std::string dumped = output.substr(output.find("{\"creatures\""));
  EXPECT_EQ(output.substr(0, output.size() - dumped.size()),
            "Creature 23 died.\n"
            "Creature 28 is now on team 2002.\n"
            "Creature 32 was removed from the world.\n"
            "[to Alice] [system] Removed 1 creature.\n");
  // The dead one and the one tamed away are still in the world; the removed one
  // and the one despawned are not.
  std::vector<std::string> left;
  const json world = json::parse(dumped);
  for (const json& creature : world["creatures"])
    left.push_back(std::to_string(creature["id"].get<int>()) + " team " + std::to_string(creature["team"].get<int>()) +
                   " health " + std::to_string(creature["health"].get<int>()));
  EXPECT_EQ(left, (std::vector<std::string>{"23 team 1001 health 0", "28 team 2002 health 1200"}));
}

TEST_F(CreatureChangesTest, EachChangeNamesWhatItNeedsAndACreatureThatIsNotThere) {
  WriteConfig(PackConfig());
  int status = -1;
  EXPECT_EQ(Run("slay\nremove\nretame 23\nslay 23 28\nretame 23 blue\nconsole Alice spawn pack\nretame 23 blue\nremove "
                "23\nslay 23\n"
                "retame 99 1\nslay x\n",
                status),
            "Usage: slay ID\n"
            "Usage: remove ID\n"
            "Usage: retame ID TEAM\n"
            "Usage: slay ID\n"
            "There is no creature with the id \"23\".\n"
            "Usage: retame ID TEAM (TEAM a whole number)\n"
            "Creature 23 was removed from the world.\n"
            "There is no creature with the id \"23\".\n"
            "There is no creature with the id \"99\".\n"
            "There is no creature with the id \"x\".\n");
  EXPECT_EQ(status, 0);
}

}  // namespace
