// Files that load refuses are refused by the reload command too, case by case,
// with every record left as it was; and config.json that is not a regular file
// (a pipe, a device, a directory) is refused like one that cannot be opened.
#include <filesystem>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "sandbox/host/Host.h"
#include "support/PluginTest.h"

using nlohmann::json;

namespace {

class BadFileTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    AddWorld(ThreePlayers());
  }

  static json WithCamp() {
    json config = StandardConfig();
    config["Commands"]["TeleportTo_Console"]["Locations"] = {{"Camp", {{"x", 10}}}};
    config["Features"] = {{"Night", {{"Enabled", true}}}};
    return config;
  }
  // WithCamp and a command entry or feature changed.
  static std::string With(const char* section, const char* name, const json& value) {
    json config = WithCamp();
    config[section][name] = value;
    config["Commands"]["TeleportTo_Console"]["Locations"]["Lake"] = {{"x", 20}};
    return config.dump();
  }

  std::filesystem::path ConfigPath() const { return root_ / "TalvexApi" / "Plugins" / "Orvanel" / "config.json"; }

  std::vector<json> DremmetErrors() const {
    std::vector<json> errors;
    for (const json& log : EventsOf("log"))
      if (log["logger"] == "Dremmet" && log["level"] == "error") errors.push_back(log);
    return errors;
  }

  // Loads the plugin anew on the present file: true when the load refused it
  // (an error logged, nothing registered).
  bool LoadRefuses() {
    UnloadPlugin();
    ClearRecord();
    LoadPlugin();
    const bool refused = !DremmetErrors().empty();
    if (refused) {
      EXPECT_TRUE(EventsOf("register").empty());
    }
    return refused;
  }

  // Reloads the present file as Alice: true when the reload refused it (no
  // reply, the plugin logged the failure).
  bool ReloadRefuses() {
    ExpectHostLog("error", "The command ReloadConfig_Console failed");
    ClearRecord();
    Console("Alice", "reload");
    const bool refused = ChatTo("Alice").empty();
    EXPECT_EQ(CommandFailures().size(), refused ? 1u : 0u);
    return refused;
  }

  bool Reaches(const std::string& location) {
    ClearRecord();
    Console("Bob", "tp " + location);
    return CallsOf("AShooterPlayerController.SetPlayerPos").size() == 1;
  }
};

TEST_F(BadFileTest, ReloadRefusesExactlyWhatTheNextLoadRefuses) {
  struct Case {
    std::string text;
    bool refused;
  };
  const std::vector<Case> cases = {
      {"[1, 2]", true},
      {"\"text\"", true},
      {"null", true},
      {"", true},
      {With("Commands", "Brand_New_Console", {{"Command", "new"}, {"Whitelist", "not numbers"}}), true},
      {With("Commands", "Brand_New_Console", {{"Command", "new"}, {"Enabled", "yes"}}), true},
      {With("Commands", "Brand_New_Console", 7), true},
      {With("Commands", "ReloadConfig_Console", {{"Command", "reload"}, {"Permissions", 1}}), true},
      {With("Features", "Night", 5), true},
      {With("Features", "Brand_New", {{"Enabled", "yes"}}), true},
      {R"({"Commands": [{"Command": "reload"}]})", true},
      {R"({"Features": [1]})", true},
      {WithCamp().dump() + ",", true},
      {std::string(300, '[') + std::string(300, ']'), true},
      // Accepted by both.
      {With("Commands", "Brand_New_Console", {{"Command", "new"}}), false},
      {With("Features", "Brand_New", {{"Enabled", true}}), false},
      {"{}", false},
      {R"({"Commands": []})", false},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.text.substr(0, 200));
    WriteConfig(WithCamp());
    UnloadPlugin();
    LoadPlugin();
    WriteConfigText(each.text);
    const bool reload_refuses = ReloadRefuses();
    EXPECT_EQ(reload_refuses, each.refused);
    if (reload_refuses) {
      // Everything as it was: Camp only, and the refused file taught nothing.
      EXPECT_TRUE(Reaches("Camp"));
      EXPECT_FALSE(Reaches("Lake"));
    }
    EXPECT_EQ(LoadRefuses(), reload_refuses);
  }
}

TEST_F(BadFileTest, OnlyARegularFileIsRead) {
  WriteConfig(WithCamp());
  LoadPlugin();
  auto refused_at_reload_and_load = [&](const char* kind) {
    SCOPED_TRACE(kind);
    EXPECT_TRUE(ReloadRefuses());
    const std::vector<json> errors = DremmetErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0]["text"], "Could not open file config.json");
    // The path as the host's directory and the plugin's folder make it.
    const std::string failed = errors[1]["text"];
    EXPECT_TRUE(failed.starts_with("The command ReloadConfig_Console failed: Cannot read ")) << failed;
    EXPECT_TRUE(failed.ends_with("config.json")) << failed;
    EXPECT_TRUE(Reaches("Camp"));
    EXPECT_TRUE(LoadRefuses());
    std::filesystem::remove(ConfigPath());
    WriteConfig(WithCamp());
    UnloadPlugin();
    LoadPlugin();
  };
#if !defined(_WIN32)  // Windows has no named pipes or devices in the file tree.
  std::filesystem::remove(ConfigPath());
  ASSERT_EQ(mkfifo(ConfigPath().c_str(), 0600), 0);
  refused_at_reload_and_load("a named pipe");
  std::filesystem::remove(ConfigPath());
  std::filesystem::create_symlink("/dev/null", ConfigPath());
  refused_at_reload_and_load("a device");
#endif
  std::filesystem::remove(ConfigPath());
  std::filesystem::create_directory(ConfigPath());
  refused_at_reload_and_load("a directory");
#if !defined(_WIN32)  // Wine makes no symbolic links.
  // A link to a regular file is read as that file.
  const auto target = root_ / "elsewhere.json";
  std::filesystem::rename(ConfigPath(), target);
  std::filesystem::create_symlink(target, ConfigPath());
  EXPECT_FALSE(ReloadRefuses());
  EXPECT_FALSE(LoadRefuses());
#endif
}

}  // namespace
