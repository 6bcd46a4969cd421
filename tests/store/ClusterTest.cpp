// Two servers of a cluster sharing their uses through one real database, each
// an orvanel-sandbox program typed to as an operator types: a use taken on one
// is refused on the other across reloads, kills and restarts; a program killed
// while claiming loses at most the claim in flight; the database killed and
// started again under a running program; unload with a statement waiting on a
// lock; and the connection string's secret in no output. POSIX only.
#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "orvanel/store/Sql.h"
#include "store/Databases.h"
#include "store/StoreTesting.h"
#include "support/KilledChild.h"
#include "support/PluginTest.h"
#include "support/Process.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kGave = "[to Alice] [system] Gave 1 item.";
constexpr const char* kUnreachableReply =
    "[to Alice] [system] The shared limits cannot be checked right now; try again in a moment.";
constexpr const char* kConnected = "\" is connected (";
constexpr const char* kLost = "\" cannot be reached (";
constexpr const char* kBack = "\" can be reached again.";

std::size_t Occurrences(const std::string& text, const std::string& fragment) {
  std::size_t count = 0;
  for (std::size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++count;
  return count;
}

// The replies to players among printed lines, in order.
std::vector<std::string> Replies(const std::string& printed) {
  std::vector<std::string> replies;
  std::istringstream lines(printed);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("[to ")) replies.push_back(line);
  return replies;
}

std::string FileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One orvanel-sandbox program on a server tree, typed to through a pipe as at
// its prompt; everything it prints on either stream is kept. Killed with
// SIGKILL if still running when destroyed.
class SandboxProgram {
 public:
  SandboxProgram(fs::path root, fs::path world) : root_(std::move(root)), world_(std::move(world)) { Start(); }
  SandboxProgram(const SandboxProgram&) = delete;
  SandboxProgram& operator=(const SandboxProgram&) = delete;
  ~SandboxProgram() {
    if (pid_ > 0) Kill();
    CloseEnds();
  }

  // Starts the program anew on the same tree, what it printed before kept.
  void Start() {
    CloseEnds();
    int input[2];
    int output[2];
    // Close-on-exec, so that no other program of the test holds this one's input open.
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(input[0], STDIN_FILENO);
      dup2(output[1], STDOUT_FILENO);
      dup2(output[1], STDERR_FILENO);
      for (const int end : {input[0], input[1], output[0], output[1]}) close(end);
      const std::string root = root_.string(), world = world_.string();
      execl(ORVANEL_SANDBOX_PATH, ORVANEL_SANDBOX_PATH, "--root", root.c_str(), "--world", world.c_str(), "-",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(input[0]);
    close(output[1]);
    in_ = input[1];
    out_ = output[0];
    fcntl(out_, F_SETFL, fcntl(out_, F_GETFL) | O_NONBLOCK);
  }

  // Types `line` and returns what the program printed until it had run it.
  std::string Type(const std::string& line) {
    const std::string marker = "mark-" + std::to_string(++marks_);
    const std::string echo = "Unknown command \"" + marker + "\"";
    const std::size_t from = printed_.size();
    const std::string typed = line + "\n" + marker + "\n";
    if (write(in_, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) {
      ADD_FAILURE() << "the program took no input: " << printed_;
      return {};
    }
    const auto until = Clock::now() + 30s;
    while (printed_.find(echo, from) == std::string::npos && Clock::now() < until && Read(until)) {
    }
    const std::size_t end = printed_.find(echo, from);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the program did not run \"" << line << "\": " << printed_.substr(from);
      return printed_.substr(from);
    }
    return printed_.substr(from, end - from);
  }

  // Waits until the program has printed `fragment` `times` times in all.
  bool WaitFor(const std::string& fragment, std::size_t times = 1, std::chrono::milliseconds within = 20s) {
    const auto until = Clock::now() + within;
    while (Occurrences(printed_, fragment) < times && Clock::now() < until && Read(until)) {
    }
    return Occurrences(printed_, fragment) >= times;
  }

  // As a crash would end it.
  void Kill() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    Drain();
  }

  // Ends its input as an operator's Ctrl-D would; its exit status, or -1 if it
  // had not ended within `within` (it is then killed).
  int Quit(std::chrono::milliseconds within = 20s) {
    close(in_);
    in_ = -1;
    const auto until = Clock::now() + within;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < until) {
      Read(Clock::now() + 10ms);
    }
    if (ended == 0) {
      Kill();
      return -1;
    }
    pid_ = -1;
    Drain();
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  }

  // The threads of the running program, by the kernel's count.
  std::size_t Threads() const {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid_) + "/task")) ++count;
    return count;
  }

  // The threads once there are `expected`, or after 3 s: the store's worker
  // that an unload told to end is not joined, and ends a moment later.
  std::size_t ThreadsOnceThere(std::size_t expected) const {
    std::size_t count = Threads();
    for (const auto until = Clock::now() + std::chrono::seconds(3); count != expected && Clock::now() < until;
         count = Threads())
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return count;
  }

  const std::string& Printed() const { return printed_; }

 private:
  // Reads what is there or comes before `until`; false once the program closed its end.
  bool Read(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    pollfd watched{out_, POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(std::max<int64_t>(left, 0))) <= 0) return true;
    char buffer[4096];
    const ssize_t got = read(out_, buffer, sizeof buffer);
    if (got == 0) return false;
    if (got > 0) printed_.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  void Drain() {
    char buffer[4096];
    for (ssize_t got; out_ >= 0 && (got = read(out_, buffer, sizeof buffer)) > 0;)
      printed_.append(buffer, static_cast<std::size_t>(got));
  }

  void CloseEnds() {
    for (int* end : {&in_, &out_})
      if (*end >= 0) {
        close(*end);
        *end = -1;
      }
  }

  fs::path root_;
  fs::path world_;
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int marks_ = 0;
  std::string printed_;
};

class ClusterTest : public PluginTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    database_ = FreshDatabaseOf(GetParam(), connection_);
    ASSERT_NE(database_, nullptr);
    json world = ThreePlayers();
    world["assets"] = {{"items", {"/Game/Items/Bandage.Bandage_C"}}};
    std::ofstream(World()) << world.dump();
  }

  // A test that stopped with the server killed leaves it running for the next.
  void TearDown() override {
    if (killed_) database_->Start();
    PluginTest::TearDown();
  }

  fs::path World() const { return root_ / "world.json"; }
  static fs::path ConfigIn(const fs::path& tree) { return tree / "TalvexApi" / "Plugins" / "Orvanel" / "config.json"; }

  // Every command under its short text, the uses kept in the test's database
  // under `server`: "starter" gives one use ever, "daily" one a day, "medic" a
  // billion, "plain" is not limited.
  json ClusterConfig(const std::string& server, const std::string& whenUnreachable = "refuse",
                     int64_t waitMs = 1000) const {
    json config = StandardConfig();
    config["Features"] = {{"Cooldowns",
                           {{"Enabled", true},
                            {"Store",
                             {{"Connection", connection_},
                              {"Server", server},
                              {"WaitMs", waitMs},
                              {"WhenUnreachable", whenUnreachable}}}}},
                          {"Feedback", {{"Enabled", true}}}};
    const json bandage = {{{"blueprint", "/Game/Items/Bandage.Bandage"}}};
    json& kits = config["Commands"]["ItemTemplate_Console"]["Templates"];
    kits["starter"] = {{"uses", 1}, {"items", bandage}};
    kits["daily"] = {{"cooldown", 86400}, {"items", bandage}};
    kits["medic"] = {{"uses", 1000000000}, {"items", bandage}};
    kits["plain"] = {{"items", bandage}};
    return config;
  }

  // A server tree of its own for `config`.
  fs::path Tree(const std::string& name, const json& config) const {
    const fs::path tree = root_ / name;
    fs::create_directories(ConfigIn(tree).parent_path());
    std::ofstream(ConfigIn(tree)) << config.dump(2);
    return tree;
  }

  // Alice's uses of the kit `entry` as the database holds them, read on a
  // connection of the test's own; none before the plugin made its tables.
  std::optional<uint64_t> CountedInDatabase(const std::string& entry) const {
    try {
      auto link = OdbcConnector()(connection_);
      const std::vector<SqlRow> rows =
          link->Run("SELECT uses FROM orvanel_uses WHERE steam_id = ? AND command = ? AND entry = ?",
                    {static_cast<int64_t>(kAlice), std::string("ItemTemplate_Console"), entry});
      link->Rollback();
      return rows.empty() ? 0u : std::stoull(rows.front().at(0).value_or("0"));
    } catch (const SqlError&) {
      return std::nullopt;
    }
  }

  TestDatabase* database_ = nullptr;
  bool killed_ = false;
  std::string connection_;
};

TEST_P(ClusterTest, AUseTakenOnOneServerIsRefusedOnTheOtherThroughReloadsKillsAndRestarts) {
  SandboxProgram island(Tree("island-1", ClusterConfig("island-1")), World());
  SandboxProgram valley(Tree("island-2", ClusterConfig("island-2")), World());
  ASSERT_TRUE(island.WaitFor(kConnected)) << island.Printed();
  ASSERT_TRUE(valley.WaitFor(kConnected)) << valley.Printed();
  std::vector<std::string> said;
  const auto type = [&](SandboxProgram& program, const std::string& line) {
    for (std::string& reply : Replies(program.Type(line))) said.push_back(std::move(reply));
  };
  const auto bothRefuse = [&] {
    type(island, "console Alice kit starter");
    type(valley, "console Alice kit starter");
    type(island, "console Alice kit daily");
    type(valley, "console Alice kit daily");
  };
  type(island, "console Alice kit starter");
  type(valley, "console Alice kit starter");
  type(valley, "console Alice kit daily");
  type(island, "console Alice kit daily");
  type(island, "console Alice kit plain");
  type(valley, "console Alice kit plain");

  // Typed at once: a claim made while the plugin still connects waits for it as for any answer.
  type(island, "reload-plugin");
  bothRefuse();
  type(valley, "reload-plugin");
  bothRefuse();

  island.Kill();
  island.Start();
  bothRefuse();
  valley.Kill();
  valley.Start();
  bothRefuse();
  type(valley, "console Alice uses Alice");

  const std::string usedUp = "[to Alice] [system] You have used starter once, the most allowed.";
  const std::string tooSoon = "[to Alice] [system] You can use daily again in 1 d.";
  std::vector<std::string> expected = {kGave, usedUp, kGave, tooSoon, kGave, kGave};
  for (int round = 0; round < 4; ++round)
    for (const std::string& reply : {usedUp, usedUp, tooSoon, tooSoon}) expected.push_back(reply);
  for (const char* line : {"[to Alice] [system] Uses of Alice:", "[to Alice] [system] kit daily: 1 use, usable in 1 d.",
                           "[to Alice] [system] kit starter: 1 use, used up."})
    expected.emplace_back(line);
  EXPECT_EQ(said, expected);
  EXPECT_EQ(CountedInDatabase("starter"), 1u);
  EXPECT_EQ(CountedInDatabase("daily"), 1u);
  EXPECT_EQ(CountedInDatabase("plain"), 0u) << "an entry without limits was counted";
  EXPECT_EQ(island.Quit(), 0) << island.Printed();
  EXPECT_EQ(valley.Quit(), 0) << valley.Printed();
}

// The program killed at random points while Alice takes a counted kit on it,
// so while a claim is in flight, being committed or answered, or while the
// plugin loads and connects: the database holds every use the program
// confirmed, and at most the one it was claiming; each next start counts on.
TEST_P(ClusterTest, AProgramKilledWhileClaimingLosesAtMostTheClaimInFlight) {
  const fs::path tree = Tree("island-1", ClusterConfig("island-1"));
  {
    SandboxProgram first(tree, World());
    ASSERT_TRUE(first.WaitFor(kConnected)) << first.Printed();
    EXPECT_EQ(first.Quit(), 0) << first.Printed();
  }
  const fs::path script = root_ / "claims.txt";
  {
    std::ofstream lines(script);
    for (int i = 0; i < 5000; ++i) lines << "console Alice kit medic\n";
  }
  const auto confirmed = [](const std::string& printed) { return Occurrences(printed, std::string(kGave) + "\n"); };
  std::mt19937 random(20261210);
  uint64_t kept = 0;
  for (int round = 0; round < 10; ++round) {
    // Some kills land while the plugin loads and connects.
    const auto confirmations = round % 3 == 0 ? 0u : std::uniform_int_distribution<uint64_t>(1, 120)(random);
    const auto microseconds = static_cast<useconds_t>(std::uniform_int_distribution<int>(0, 20000)(random));
    const KilledChild run = RunSandboxUntilKilled(
        tree.string(), World().string(), script.string(),
        [&](const std::string& printed) { return confirmed(printed) >= confirmations; }, microseconds);
    ASSERT_TRUE(run.killed) << run.written;
    const uint64_t gave = confirmed(run.written);
    EXPECT_GE(gave, confirmations) << "round " << round;
    const std::optional<uint64_t> counted = CountedInDatabase("medic");
    ASSERT_TRUE(counted.has_value()) << "round " << round;
    EXPECT_GE(*counted, kept + gave) << "round " << round << ": a confirmed use was lost";
    EXPECT_LE(*counted, kept + gave + 1) << "round " << round << ": more than the claim in flight was counted";
    kept = *counted;
  }
  EXPECT_GT(kept, 100u);
}

// The database killed under two running programs, one refusing limited
// entries meanwhile and one counting them in its journal, an entry without
// limits given by both all along; started again, both claim through it once
// more without a restart, each having said once that it was lost and once
// that it is back.
TEST_P(ClusterTest, TheDatabaseKilledUnderRunningProgramsAndStartedAgain) {
  const fs::path refusing = Tree("island-1", ClusterConfig("island-1", "refuse", 50));
  const fs::path counting = Tree("island-2", ClusterConfig("island-2", "local", 50));
  SandboxProgram island(refusing, World());
  SandboxProgram valley(counting, World());
  ASSERT_TRUE(island.WaitFor(kConnected)) << island.Printed();
  ASSERT_TRUE(valley.WaitFor(kConnected)) << valley.Printed();
  const auto replies = [](SandboxProgram& program, const std::string& line) { return Replies(program.Type(line)); };
  const std::vector<std::string> gave{kGave};
  const std::vector<std::string> refused{kUnreachableReply};
  EXPECT_EQ(replies(island, "console Alice kit medic"), gave);
  EXPECT_EQ(replies(valley, "console Alice kit medic"), gave);

  database_->Kill();
  killed_ = true;
  for (int claim = 0; claim < 5; ++claim) {
    EXPECT_EQ(replies(island, "console Alice kit medic"), refused) << claim;
    EXPECT_EQ(replies(island, "console Alice kit starter"), refused) << claim;
    EXPECT_EQ(replies(island, "console Alice kit plain"), gave) << claim;
    EXPECT_EQ(replies(valley, "console Alice kit medic"), gave) << claim;
    EXPECT_EQ(replies(valley, "console Alice kit plain"), gave) << claim;
  }
  // The local journal counted the starter kit's one use while the store was away.
  EXPECT_EQ(replies(valley, "console Alice kit starter"), gave);
  EXPECT_EQ(replies(valley, "console Alice kit starter"),
            std::vector<std::string>{"[to Alice] [system] You have used starter once, the most allowed."});
  const std::string journal = valley.Type("show Alice");
  EXPECT_TRUE(std::regex_search(journal, std::regex("ItemTemplate_Console +medic +5 "))) << journal;
  EXPECT_TRUE(island.WaitFor(kLost)) << island.Printed();
  EXPECT_TRUE(valley.WaitFor(kLost)) << valley.Printed();

  database_->Start();
  killed_ = false;
  ASSERT_TRUE(island.WaitFor(kBack, 1, 30s)) << island.Printed();
  ASSERT_TRUE(valley.WaitFor(kBack, 1, 30s)) << valley.Printed();
  EXPECT_EQ(replies(island, "console Alice kit medic"), gave);
  EXPECT_EQ(replies(island, "console Alice kit starter"), gave);
  EXPECT_EQ(replies(valley, "console Alice kit medic"), gave);
  // The uses counted locally stay this server's own: the store saw neither.
  EXPECT_EQ(CountedInDatabase("medic"), 4u);
  EXPECT_EQ(CountedInDatabase("starter"), 1u);
  EXPECT_EQ(CountedInDatabase("plain"), 0u);
  for (SandboxProgram* program : {&island, &valley}) {
    const std::string log = program->Printed();
    EXPECT_EQ(Occurrences(log, kConnected), 1u) << log;
    EXPECT_EQ(Occurrences(log, kLost), 1u) << log;
    EXPECT_EQ(Occurrences(log, kBack), 1u) << log;
    EXPECT_EQ(program->Quit(), 0) << program->Printed();
  }
  EXPECT_EQ(Occurrences(island.Printed(), "limited entries are refused until it can."), 1u);
  EXPECT_EQ(Occurrences(valley.Printed(), "uses are counted on this server only, unseen by the others"), 1u);
  for (const fs::path& tree : {refusing, counting}) {
    const std::string log = FileText(tree / "TalvexApi" / "Logs" / "TalvexApi.log");
    EXPECT_EQ(Occurrences(log, kLost), 1u) << log;
    EXPECT_EQ(Occurrences(log, kBack), 1u) << log;
  }
}

// Another server holding Alice's record locked in a transaction it does not
// end, so that the program's claim is left waiting on the lock: the plugin
// reloaded, unloaded and the program ended meanwhile neither hang nor leave
// the worker behind, and the claims given up on count nothing.
// MariaDB's driver opens an iconv module for the error of the cancelled
// statement, so its worker is inside the dynamic loader when the unload, which
// holds the loader's lock, cancels it.
TEST_P(ClusterTest, UnloadAndReloadWithAStatementWaitingOnALockNeitherHangNorLeaveAThread) {
  // The program's threads with a plugin that starts none: uses in its journal.
  json journal = ClusterConfig("island-0");
  journal["Features"]["Cooldowns"].erase("Store");
  std::size_t unloaded = 0;
  {
    SandboxProgram bare(Tree("island-0", journal), World());
    EXPECT_EQ(Replies(bare.Type("console Alice kit medic")), std::vector<std::string>{kGave});
    unloaded = bare.Threads();
  }
  SandboxProgram island(Tree("island-1", ClusterConfig("island-1", "refuse", 50)), World());
  ASSERT_TRUE(island.WaitFor(kConnected)) << island.Printed();
  const std::vector<std::string> gave{kGave};
  const std::vector<std::string> refused{kUnreachableReply};
  EXPECT_EQ(Replies(island.Type("console Alice kit medic")), gave);
  island.Type("unload");
  EXPECT_EQ(island.ThreadsOnceThere(unloaded), unloaded) << "the store's worker did not end";
  island.Type("load");
  ASSERT_TRUE(island.WaitFor(kConnected, 2)) << island.Printed();
  EXPECT_EQ(island.Threads(), unloaded + 1) << "the store's worker is not the one thread the plugin adds";

  auto holder = OdbcConnector()(connection_);
  holder->Run("SELECT uses FROM orvanel_uses WHERE steam_id = ? FOR UPDATE", {static_cast<int64_t>(kAlice)});
  EXPECT_EQ(Replies(island.Type("console Alice kit medic")), refused);
  // The statement's own timeout is 5 s: ending sooner is the cancel's doing.
  auto began = Clock::now();
  island.Type("reload-plugin");
  EXPECT_LT(Clock::now() - began, 4s) << "the unload waited on the lock";
  ASSERT_TRUE(island.WaitFor(kConnected, 3)) << island.Printed();
  EXPECT_EQ(Replies(island.Type("console Alice kit medic")), refused);
  began = Clock::now();
  island.Type("unload");
  EXPECT_LT(Clock::now() - began, 4s) << "the unload waited on the lock";
  EXPECT_EQ(island.ThreadsOnceThere(unloaded), unloaded) << "a thread was left behind";

  holder->Rollback();
  island.Type("load");
  ASSERT_TRUE(island.WaitFor(kConnected, 4)) << island.Printed();
  EXPECT_EQ(Replies(island.Type("console Alice kit medic")), gave);
  EXPECT_EQ(CountedInDatabase("medic"), 2u) << "a claim refused to the player stayed counted";

  holder->Run("SELECT uses FROM orvanel_uses WHERE steam_id = ? FOR UPDATE", {static_cast<int64_t>(kAlice)});
  EXPECT_EQ(Replies(island.Type("console Alice kit medic")), refused);
  began = Clock::now();
  EXPECT_EQ(island.Quit(), 0) << island.Printed();
  EXPECT_LT(Clock::now() - began, 4s) << "the program's end waited on the lock";
  holder->Rollback();
  EXPECT_EQ(island.Printed().find("never freed"), std::string::npos) << island.Printed();
  EXPECT_EQ(island.Printed().find("[error]"), std::string::npos) << island.Printed();
  EXPECT_EQ(CountedInDatabase("medic"), 2u);
}

// The connection string's password in nothing the program or the checker
// prints or writes: a session that connects, claims, lists and resets uses,
// reloads, loses the database and finds it again, with audit lines in a file
// of their own; a server tree whose database cannot be reached; a config the
// load refuses; and the checker on each.
TEST_P(ClusterTest, TheConnectionSecretIsInNoOutput) {
  json config = ClusterConfig("island-1");
  config["Features"]["AuditLog"] = {{"Enabled", true}, {"File", "audit.log"}};
  const fs::path tree = Tree("island-1", config);
  json unreachable = config;
  const std::string port = connection_.substr(
      connection_.find("Port="), connection_.find(';', connection_.find("Port=")) - connection_.find("Port="));
  std::string elsewhere = connection_;
  elsewhere.replace(elsewhere.find(port), port.size(), "Port=1");
  unreachable["Features"]["Cooldowns"]["Store"]["Connection"] = elsewhere;
  const fs::path away = Tree("island-2", unreachable);
  json refused = config;
  refused["Features"]["Cooldowns"]["Store"]["WaitMs"] = 0;
  const fs::path broken = Tree("island-3", refused);

  std::string everything;
  {
    SandboxProgram island(tree, World());
    ASSERT_TRUE(island.WaitFor(kConnected)) << island.Printed();
    for (const char* line : {"console Alice kit medic", "console Alice kit starter", "console Alice kit starter",
                             "console Alice uses Alice", "console Alice uses Alice starter reset",
                             "console Alice reload", "console Alice kit nothing", "show Alice"})
      island.Type(line);
    database_->Kill();
    killed_ = true;
    island.Type("console Alice kit medic");
    ASSERT_TRUE(island.WaitFor(kLost)) << island.Printed();
    island.Type("console Alice uses Alice");
    database_->Start();
    killed_ = false;
    ASSERT_TRUE(island.WaitFor(kBack, 1, 30s)) << island.Printed();
    island.Type("console Alice kit medic");
    island.Type("reload-plugin");
    // Connected before it ends: an unload while the worker connects is another matter.
    ASSERT_TRUE(island.WaitFor(kConnected, 2)) << island.Printed();
    EXPECT_EQ(island.Quit(), 0) << island.Printed();
    everything += island.Printed();
  }
  {
    SandboxProgram island(away, World());
    ASSERT_TRUE(island.WaitFor(kLost)) << island.Printed();
    island.Type("console Alice kit medic");
    EXPECT_EQ(island.Quit(), 0) << island.Printed();
    everything += island.Printed();
  }
  {
    SandboxProgram island(broken, World());
    island.Type("console Alice kit medic");
    EXPECT_EQ(island.Quit(), 0) << island.Printed();
    EXPECT_NE(island.Printed().find("\"WaitMs\" must be"), std::string::npos) << island.Printed();
    everything += island.Printed();
  }
  // Every file the programs wrote in their trees, the configs aside.
  std::size_t audited = 0;
  for (const fs::path& each : {tree, away, broken})
    for (const auto& file : fs::recursive_directory_iterator(each)) {
      if (!file.is_regular_file() || file.path().filename() == "config.json") continue;
      const std::string text = FileText(file.path());
      if (file.path().filename().string().starts_with("audit")) audited += Occurrences(text, "AUDIT Alice");
      EXPECT_EQ(text.find(TestDatabase::kSecret), std::string::npos) << file.path() << ":\n" << text;
    }
  EXPECT_GE(audited, 10u) << "the audit file holds no lines of the session";
  for (const fs::path& each : {tree, away, broken}) {
    int status = -1;
    const std::string checked = RunCommand(ORVANEL_CHECK_PATH, ConfigIn(each).string(), status);
    EXPECT_NE(status, -1);
    everything += checked;
  }
  EXPECT_NE(everything.find("\"WaitMs\" must be a whole number"), std::string::npos)
      << "the checker said nothing of the refused config";
  EXPECT_EQ(everything.find(TestDatabase::kSecret), std::string::npos) << everything;
  EXPECT_EQ(everything.find("hunter2"), std::string::npos) << everything;
}

// The plugin unloaded while its worker still connects: the unload runs in the
// library's destructor, under the dynamic loader's lock, while the driver
// manager has the worker loading the driver. Neither waits for the other, the
// reloaded plugin connects, and the ended worker leaves no thread.
TEST_P(ClusterTest, AnUnloadWhileTheWorkerConnectsEnds) {
  SandboxProgram island(Tree("island-1", ClusterConfig("island-1")), World());
  for (int round = 0; round < 5; ++round) island.Type("reload-plugin");
  // Only the last worker tells of its connection: the others were stopped first.
  ASSERT_TRUE(island.WaitFor(kConnected)) << island.Printed();
  EXPECT_EQ(Occurrences(island.Printed(), kConnected), 1u) << island.Printed();
  EXPECT_EQ(Replies(island.Type("console Alice kit medic")), std::vector<std::string>{kGave});
  EXPECT_EQ(island.Quit(), 0) << island.Printed();
  EXPECT_EQ(island.Printed().find("[error]"), std::string::npos) << island.Printed();
}

INSTANTIATE_TEST_SUITE_P(Engines, ClusterTest, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return info.param; });

}  // namespace
#endif
