// The sandbox as a preview, run as an operator runs it: their own config file
// with --config (edits take effect on reload), and maps rendered by the
// distribution's rsvg-convert and checked pixel by pixel.
#include "support/PluginTest.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/Picture.h"

// The preview tests drive the program through a POSIX shell.
#if !defined(_WIN32)

using nlohmann::json;

namespace {

class PreviewTest : public PluginTest {
 protected:
  // The program with `options`, its temporary files under root_/tmp, output in root_/out.txt.
  std::string Command(const std::string& options) {
    std::filesystem::create_directories(root_ / "tmp");
    return "TMPDIR=" + (root_ / "tmp").string() + " " + ORVANEL_SANDBOX_PATH + " " + options + " > " +
           (root_ / "out.txt").string() + " 2>&1";
  }
  std::string Output() {
    std::ifstream file(root_ / "out.txt");
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  void WriteFile(const std::string& name, const std::string& text) { std::ofstream(root_ / name) << text; }

  static json Config(const json& kits, const json& groups, const json& locations) {
    json config = StandardConfig();
    config["Commands"]["ItemTemplate_Console"]["Templates"] = kits;
    config["Commands"]["SpawnTemplate_Console"]["Templates"] = groups;
    config["Commands"]["TeleportTo_Console"]["Locations"] = locations;
    return config;
  }
};

TEST_F(PreviewTest, OwnConfigRunsOnTheExampleWorldWithAnyAssetAndEditsTakeEffectOnReload) {
  const json kits = {{"gems", {{"items", {{{"blueprint", "Blueprint'/Game/Mods/Gem.Gem'"}, {"quantity", 3}}}}}}};
  WriteFile("my.json", Config(kits, json::object(), {{"Spot", {{"x", 100}}}}).dump());
  FILE* program = popen(Command("--config " + (root_ / "my.json").string() + " -").c_str(), "w");
  ASSERT_NE(program, nullptr);
  std::fputs("console Alice kit gems\nconsole Alice tp Spot\ndump Alice\n", program);
  std::fflush(program);
  // The program answers each line as it comes; wait for the first dump before editing.
  for (int tries = 0; tries < 200 && Output().find("\"name\":\"Alice\"") == std::string::npos; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  WriteFile("my.json", Config(kits, json::object(), {{"Spot", {{"x", 200}, {"y", 7}}}}).dump());
  std::fputs("console Alice tp Spot\ndump Alice\nconsole Alice reload\nconsole Alice tp Spot\ndump Alice\n", program);
  EXPECT_EQ(pclose(program), 0) << Output();

  std::vector<json> dumps;
  std::istringstream lines(Output());
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("{\"character\"", 0) == 0) dumps.push_back(json::parse(line));
  ASSERT_EQ(dumps.size(), 3u) << Output();
  ASSERT_EQ(dumps[0]["inventory"].size(), 1u) << "a path the example world does not list gives its item";
  EXPECT_EQ(dumps[0]["inventory"][0]["class"], "/Game/Mods/Gem.Gem_C");
  EXPECT_EQ(dumps[0]["position"], json({100.0, 0.0, 0.0}));
  EXPECT_EQ(dumps[1]["position"], json({100.0, 0.0, 0.0})) << "the plugin reads the file only on reload";
  EXPECT_EQ(dumps[2]["position"], json({200.0, 7.0, 0.0}));
  EXPECT_TRUE(std::filesystem::is_empty(root_ / "tmp")) << "the temporary server tree is left behind";
}

TEST_F(PreviewTest, AConfigFileThatCannotBeReadIsRefusedAndRootExcludesIt) {
  EXPECT_NE(std::system(Command("--config " + (root_ / "missing.json").string() + " -").c_str()), 0);
  EXPECT_NE(Output().find("Cannot read the config file"), std::string::npos) << Output();
  WriteFile("my.json", "{}");
  EXPECT_NE(std::system(Command("--config " + (root_ / "my.json").string() + " --root " + root_.string()).c_str()), 0);
  EXPECT_NE(Output().find("excludes"), std::string::npos) << Output();
}

TEST_F(PreviewTest, TheExampleSessionFindsEveryoneItShows) {
  // On a copy of the example server: the session changes config.json and the
  // uses as it goes, which another test reads from the example at the same time.
  const std::filesystem::path examples(ORVANEL_EXAMPLES_DIR);
  std::filesystem::copy_file(examples / "server" / "TalvexApi" / "Plugins" / "Orvanel" / "config.json",
                             root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json",
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_EQ(
      std::system(Command("--root " + root_.string() + " --world " + (examples / "worlds" / "example.json").string() +
                          " " + (examples / "sessions" / "example.session").string())
                      .c_str()),
      0)
      << Output();
  const std::string output = Output();
  EXPECT_EQ(output.find("There is no"), std::string::npos) << output;
  EXPECT_EQ(output.find("Unknown command"), std::string::npos) << output;
  EXPECT_NE(output.find("Creature 93 \"\", class Raptor_Character_BP"), std::string::npos) << output;
}

// `show` reads the uses and the config from disk, and says so: the plugin acts
// on the config it last loaded and on the uses it holds, which an edit not yet
// reloaded (or a journal it could not write) leaves apart from the files.
TEST_F(PreviewTest, ShowSaysItsUsesAreReadFromDiskAndMayDifferFromWhatThePluginHolds) {
  const json kits = {{"medic", {{"cooldown", 300}, {"items", {{{"blueprint", "/Game/Items/Bandage.Bandage"}}}}}}};
  json config = Config(kits, json::object(), json::object());
  config["Features"]["Cooldowns"] = {{"Enabled", true}};
  WriteFile("my.json", config.dump());
  json world = ThreePlayers();
  world["clock"] = "2026-12-10T07:00:00Z";
  world["assets"] = {{"any", true}};
  WriteFile("world.json", world.dump());
  FILE* program =
      popen(Command("--config " + (root_ / "my.json").string() + " --world " + (root_ / "world.json").string() + " -")
                .c_str(),
            "w");
  ASSERT_NE(program, nullptr);
  std::fputs("console Alice kit medic\ndump Alice\n", program);
  std::fflush(program);
  for (int tries = 0; tries < 200 && Output().find("\"name\":\"Alice\"") == std::string::npos; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // The cooldown shortened on disk, and not reloaded: the plugin keeps 300 seconds.
  config["Commands"]["ItemTemplate_Console"]["Templates"]["medic"]["cooldown"] = 10;
  WriteFile("my.json", config.dump());
  std::fputs("wait 20\nshow Alice\nconsole Alice kit medic\n", program);
  EXPECT_EQ(pclose(program), 0) << Output();
  const std::string output = Output();
  const std::size_t uses = output.find("Uses, at ");
  const std::string refusal = "[to Alice] [system] You can use medic again in 4 min 40 s.\n";
  ASSERT_NE(uses, std::string::npos) << output;
  ASSERT_NE(output.find(refusal, uses), std::string::npos) << output;
  EXPECT_EQ(output.substr(uses, output.find(refusal, uses) + refusal.size() - uses),
            "Uses, at 2026-12-10 07:00:20 UTC:\n"
            "  command              entry uses last                    usable\n"
            "  ItemTemplate_Console medic    1 2026-12-10 07:00:00 UTC now\n"
            "  (as state.journal and config.json stand on disk; the plugin acts on the config as it last loaded it "
            "and on the uses it holds in memory, which may differ)\n"
            "[to Alice] [system] You can use medic again in 4 min 40 s.\n");
}

#ifdef ORVANEL_HAVE_PNG

TEST_F(PreviewTest, TheMapShowsCreaturesByTeamAndYawTheNewOnesAndTheLocations) {
  if (!CanRender()) GTEST_SKIP() << "rsvg-convert is not installed";
  const json groups = {
      {"ring", {{"blueprint", "/Game/Mods/Wolf.Wolf"}, {"count", 4}, {"radius", 2000}, {"facing", "outwards"}}},
      {"one", {{"blueprint", "/Game/Mods/Wolf.Wolf"}, {"radius", 1500}}}};
  WriteFile("my.json", Config(json::object(), groups, {{"Pin", {{"x", 3100}, {"y", 3100}}}}).dump());
  json world = ThreePlayers();
  world["players"][0]["position"] = {100, 100, 0};
  world["players"][1]["position"] = {-90000, 0, 0};
  world["players"][2]["position"] = {-90000, 0, 0};
  world["assets"] = {{"any", true}};
  world["creatures"] = {{{"team", 1001}, {"position", {-2900, -2900, 0}}},
                        {{"team", 2002}, {"position", {-2900, 100, 0}}},
                        {{"team", 0}, {"position", {100, -2900, 0}}}};
  WriteFile("world.json", world.dump());
  const auto first = root_ / "first.svg", second = root_ / "second.svg", third = root_ / "third.svg";
  WriteFile("session.txt", "console Alice spawn ring\nmap Alice " + first.string() +
                               "\nconsole Alice spawn one\nmap Alice " + second.string() + "\nmap Alice " +
                               third.string() + " 3000\nmap Alice x.svg 0\n");
  ASSERT_EQ(std::system(Command("--config " + (root_ / "my.json").string() + " --world " +
                                (root_ / "world.json").string() + " " + (root_ / "session.txt").string())
                            .c_str()),
            0)
      << Output();
  EXPECT_NE(Output().find("Usage: map NAME FILE.svg [RADIUS]"), std::string::npos) << Output();

  // 800 pixels for 12000 units, centred on Alice at (100, 100): 15 units a pixel.
  const Picture map = Render(first);
  ASSERT_EQ(map.width, 800u);
  ASSERT_EQ(map.height, 872u);
  const std::string own = "#1f6fd1", other = "#d9480f", untamed = "#8a8a8a", amber = "#f2b705";
  const std::string background = "#f4f1e8";
  EXPECT_EQ(map.At(400, 400), "#111111") << "Alice";
  EXPECT_EQ(map.At(200, 200), own);
  EXPECT_EQ(map.At(200, 400), other);
  EXPECT_EQ(map.At(400, 200), untamed);
  EXPECT_EQ(map.At(600, 600), "#2b9348") << "the teleport location";
  EXPECT_EQ(map.At(310, 300), background);
  // Ring creature 1 stands 2000 below Alice, turned by 90 degrees: its point is downwards.
  EXPECT_EQ(map.At(400, 533), own);
  EXPECT_EQ(map.At(400, 536), own);
  EXPECT_EQ(map.At(400, 528), background);
  // The ring is new; the creatures of the world file are not.
  EXPECT_EQ(map.At(533, 387), amber);
  EXPECT_NE(map.At(200, 187), amber);

  const Picture next = Render(second);
  ASSERT_EQ(next.width, 800u);
  EXPECT_NE(next.At(533, 387), amber) << "marked again on the next map";
  EXPECT_EQ(next.At(500, 387), amber) << "the one spawned since";
  EXPECT_EQ(next.At(500, 400), own);

  const Picture closer = Render(third);
  ASSERT_EQ(closer.width, 800u);
  EXPECT_EQ(closer.At(667, 400), own) << "radius 3000: 7.5 units a pixel";

  std::ifstream file(first);
  const std::string svg(std::istreambuf_iterator<char>(file), {});
  EXPECT_NE(svg.find(">Alice</text>"), std::string::npos);
  EXPECT_NE(svg.find(">Pin</text>"), std::string::npos);
}

#endif

}  // namespace

#endif
