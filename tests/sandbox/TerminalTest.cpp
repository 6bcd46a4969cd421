// The orvanel-sandbox prompt at a terminal, keys typed as a person types them:
// UTF-8 lines, Ctrl-C, Ctrl-D, and the signals that end a session. However it
// ends, the plugin is unloaded, the history written and the temporary server
// tree removed.
#include "support/PluginTest.h"

#if defined(ORVANEL_LINE_EDITING) && !defined(_WIN32)

#include "support/Process.h"
#include "support/Terminal.h"

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>

using nlohmann::json;

namespace {

const char* kReloadText = "r\xc3\xabload";

class TerminalTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    json config = StandardConfig();
    config["Features"]["AuditLog"] = {{"Enabled", true}};
    // A command text the plugin widens with the C library, in the program's locale.
    config["Commands"]["ReloadConfig_Console"]["Command"] = kReloadText;
    std::ofstream(root_ / "my.json") << config.dump();
    std::ofstream(root_ / "world.json") << ThreePlayers().dump();
    std::filesystem::create_directories(root_ / "home");
    std::filesystem::create_directories(root_ / "tmp");
  }

  // The sandbox on the test's config (in a temporary server tree under the
  // test's own temporary directory) and world, with the test's home, in an
  // environment whose locale is not UTF-8.
  Terminal& Start(const std::vector<std::string>& more = {}) {
    std::vector<std::string> arguments = {"--config", (root_ / "my.json").string(), "--world",
                                          (root_ / "world.json").string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    terminal_ = std::make_unique<Terminal>(ORVANEL_SANDBOX_PATH, arguments,
                                           std::map<std::string, std::string>{{"HOME", (root_ / "home").string()},
                                                                              {"TMPDIR", (root_ / "tmp").string()},
                                                                              {"TERM", "xterm"},
                                                                              {"EDITRC", ""},
                                                                              {"LANG", ""},
                                                                              {"LC_ALL", ""},
                                                                              {"LC_CTYPE", ""}});
    return *terminal_;
  }

  // What the program prints for `line` run as a script.
  std::string AsScript(const std::string& line) {
    std::ofstream(root_ / "script.txt") << line << "\n";
    int status = -1;
    const std::string output = RunCommand(ORVANEL_SANDBOX_PATH,
                                          "--config " + (root_ / "my.json").string() + " --world " +
                                              (root_ / "world.json").string() + " " + (root_ / "script.txt").string(),
                                          status);
    EXPECT_EQ(status, 0) << output;
    return output;
  }

  // The temporary server trees that are there.
  std::size_t Trees() const {
    std::size_t trees = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / "tmp"))
      if (entry.path().filename().string().starts_with("orvanel-sandbox-")) ++trees;
    return trees;
  }

  std::string History() const {
    std::ifstream file(root_ / "home" / ".orvanel_sandbox_history");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  // The prompt is up, with the session's temporary tree made.
  void AtThePrompt(Terminal& terminal) {
    ASSERT_TRUE(terminal.WaitFor("orvanel> ")) << terminal.Output();
    ASSERT_EQ(Trees(), 1u);
  }

  // Runs `line` and waits for `reply` and the next prompt.
  void Run(Terminal& terminal, const std::string& line, const std::string& reply) {
    terminal.Type(line + "\r");
    ASSERT_TRUE(terminal.WaitFor(reply)) << terminal.Output();
    ASSERT_TRUE(terminal.WaitFor("orvanel> ")) << terminal.Output();
  }

  // The plugin was unloaded, nothing was left in game memory and the tree is gone.
  void ExpectCleanEnd(const Terminal& terminal, bool seen = true) {
    if (seen) {
      EXPECT_NE(terminal.Output().find("Unloading plugin"), std::string::npos) << terminal.Output();
      EXPECT_NE(terminal.Output().find("unregister console command \"kit\""), std::string::npos) << terminal.Output();
      EXPECT_EQ(terminal.Output().find("never freed"), std::string::npos) << terminal.Output();
    }
    EXPECT_EQ(Trees(), 0u);
  }

  std::unique_ptr<Terminal> terminal_;
};

// What is typed at the prompt reaches the host as its UTF-8 bytes, and the
// plugin, which reads the prompt's line as a script's, answers as it does
// there. The next session recalls the line from the history.
TEST_F(TerminalTest, TypedUtf8ReachesTheHostWholeAndThePluginAnswersAsToAScript) {
  const std::string reload = std::string("console Alice ") + kReloadText;
  const bool reloads_in_a_script = AsScript(reload).find("Test config reloaded!") != std::string::npos;
  Terminal& terminal = Start();
  AtThePrompt(terminal);
  // The plugin registers its commands anew with the prompt's keys in hand.
  Run(terminal, "reload-plugin", "register console command \"kit\"");
  const std::size_t before = terminal.Output().size();
  terminal.Type(reload + "\r");
  ASSERT_TRUE(terminal.WaitFor("orvanel> ")) << terminal.Output();
  EXPECT_EQ(terminal.Output().find("Test config reloaded!", before) != std::string::npos, reloads_in_a_script)
      << terminal.Output();
  Run(terminal, "console Alice kit st\xc3\xa4rter",
      "AUDIT Alice (76561198000000001) kit st\xc3\xa4rter: no such template");
  Run(terminal, "chat Alice st\xc3\xa4rter", "no chat command matches \"st\xc3\xa4rter\" from Alice");
  terminal.Type("\x04");
  EXPECT_EQ(terminal.Wait(), 0) << terminal.Output();
  ExpectCleanEnd(terminal);

  Terminal& again = Start();
  AtThePrompt(again);
  again.Type("\x10\r");  // Ctrl-P: the line before
  EXPECT_TRUE(again.WaitFor("no chat command matches \"st\xc3\xa4rter\" from Alice")) << again.Output();
  again.Type("quit\r");
  EXPECT_EQ(again.Wait(), 0) << again.Output();
}

// Ctrl-C drops the half-typed line; the next Enter runs only what came after.
TEST_F(TerminalTest, CtrlCClearsTheLineBeingTyped) {
  Terminal& terminal = Start();
  AtThePrompt(terminal);
  terminal.Type("console Alice kit half");
  ASSERT_TRUE(terminal.WaitFor("half")) << terminal.Output();
  terminal.Type("\x03");
  ASSERT_TRUE(terminal.WaitFor("^C")) << terminal.Output();
  ASSERT_TRUE(terminal.WaitFor("orvanel> ")) << terminal.Output();
  Run(terminal, "chat Alice hello", "no chat command matches \"hello\" from Alice");
  EXPECT_EQ(terminal.Output().find("Ctrl-C again"), std::string::npos) << "the line was not empty";
  EXPECT_EQ(terminal.Output().find("AUDIT"), std::string::npos) << terminal.Output();
  terminal.Type("quit\r");
  EXPECT_EQ(terminal.Wait(), 0) << terminal.Output();
}

// The first Ctrl-C on an empty line says how to leave; the second leaves as quit does.
TEST_F(TerminalTest, CtrlCTwiceOnAnEmptyLineLeavesAsQuitDoes) {
  Terminal& terminal = Start();
  AtThePrompt(terminal);
  Run(terminal, "chat Alice hi", "no chat command matches \"hi\" from Alice");
  terminal.Type("\x03");
  ASSERT_TRUE(terminal.WaitFor("Ctrl-C again")) << terminal.Output();
  ASSERT_TRUE(terminal.WaitFor("orvanel> ")) << terminal.Output();
  Run(terminal, "chat Alice still here", "no chat command matches \"still here\" from Alice");
  terminal.Type("\x03");
  ASSERT_TRUE(terminal.WaitFor("Ctrl-C again")) << terminal.Output();
  ASSERT_TRUE(terminal.WaitFor("orvanel> ")) << terminal.Output();
  terminal.Type("\x03");
  EXPECT_EQ(terminal.Wait(), 0) << terminal.Output();
  ExpectCleanEnd(terminal);
  EXPECT_NE(History().find("chat\\040Alice\\040hi"), std::string::npos) << History();
}

// Ctrl-D on an empty line leaves as quit does, and what follows starts on a line of its own.
TEST_F(TerminalTest, CtrlDOnAnEmptyLineLeavesOnALineOfItsOwn) {
  Terminal& terminal = Start();
  AtThePrompt(terminal);
  Run(terminal, "chat Alice hi", "no chat command matches \"hi\" from Alice");
  terminal.Type("\x04");
  EXPECT_EQ(terminal.Wait(), 0) << terminal.Output();
  ExpectCleanEnd(terminal);
  const std::string& output = terminal.Output();
  const std::size_t prompt = output.rfind("orvanel> ");
  const std::size_t unloading = output.find("Unloading plugin", prompt);
  ASSERT_NE(unloading, std::string::npos) << output;
  EXPECT_NE(output.substr(prompt, unloading - prompt).find('\n'), std::string::npos) << output;
  EXPECT_NE(History().find("chat\\040Alice\\040hi"), std::string::npos) << History();
}

// SIGTERM at the prompt, a line half typed: the session ends cleanly, and then
// by the signal, as its parent expects.
TEST_F(TerminalTest, SigtermAtThePromptEndsTheSessionCleanly) {
  Terminal& terminal = Start();
  AtThePrompt(terminal);
  Run(terminal, "chat Alice hi", "no chat command matches \"hi\" from Alice");
  terminal.Type("chat Alice ha");
  ASSERT_TRUE(terminal.WaitFor("ha")) << terminal.Output();
  terminal.Signal(SIGTERM);
  EXPECT_EQ(terminal.Wait(), 128 + SIGTERM) << terminal.Output();
  ExpectCleanEnd(terminal);
  EXPECT_NE(History().find("chat\\040Alice\\040hi"), std::string::npos) << History();
  EXPECT_EQ(terminal.Output().find("matches \"ha\""), std::string::npos) << terminal.Output();
}

// A closed terminal (SIGHUP) ends the session as cleanly, unseen.
TEST_F(TerminalTest, AClosedTerminalEndsTheSessionCleanly) {
  Terminal& terminal = Start();
  AtThePrompt(terminal);
  Run(terminal, "chat Alice hi", "no chat command matches \"hi\" from Alice");
  terminal.Hangup();
  EXPECT_EQ(terminal.Wait(), 128 + SIGHUP);
  ExpectCleanEnd(terminal, false);
  EXPECT_NE(History().find("chat\\040Alice\\040hi"), std::string::npos) << History();
}

// SIGTERM while a script waits for its next line ends the session as cleanly.
TEST_F(TerminalTest, SigtermWhileAScriptWaitsForItsNextLineEndsTheSessionCleanly) {
  Terminal& terminal = Start({"-"});
  ASSERT_TRUE(terminal.WaitFor("Loading plugin")) << terminal.Output();
  terminal.Type("chat Alice a\n");
  ASSERT_TRUE(terminal.WaitFor("no chat command matches \"a\" from Alice")) << terminal.Output();
  ASSERT_EQ(Trees(), 1u);
  terminal.Signal(SIGTERM);
  EXPECT_EQ(terminal.Wait(), 128 + SIGTERM) << terminal.Output();
  ExpectCleanEnd(terminal);
}

}  // namespace

#else

TEST(TerminalTest, NeedsLineEditing) { GTEST_SKIP() << "the sandbox is built without line editing"; }

#endif
