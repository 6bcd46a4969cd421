#if !defined(_WIN32)
#include "store/Databases.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPostgresBin = "/usr/lib/postgresql/15/bin";
constexpr const char* kPsqlDriver = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";
constexpr const char* kMariaDbDriver = "/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so";

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

void Require(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("the test database could not be set up: " + what);
}

fs::path TemporaryFolder(const char* prefix) {
  std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
  Require(::mkdtemp(pattern.data()) != nullptr, "no temporary folder");
  return pattern;
}

// The direct children of `pid`, from the kernel's list.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  std::ifstream list("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  std::vector<pid_t> children;
  for (pid_t child = 0; list >> child;) children.push_back(child);
  return children;
}

pid_t PidInFile(const fs::path& file) {
  std::ifstream in(file);
  pid_t pid = 0;
  in >> pid;
  return pid;
}

void WaitGone(pid_t pid) {
  for (int tries = 0; tries < 500 && ::kill(pid, 0) == 0; ++tries) {
    // A process that is no child of ours stays a zombie only until its parent reaps it.
    std::ifstream status("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(status, line);
    if (line.find(") Z") != std::string::npos) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string LogTail(const fs::path& log) {
  std::ifstream in(log);
  std::string line;
  std::string tail;
  while (std::getline(in, line)) tail = tail.substr(tail.size() > 600 ? tail.size() - 600 : 0) + line + "\n";
  return tail;
}

class Postgres final : public TestDatabase {
 public:
  Postgres() : folder_(TemporaryFolder("orvanel-pg-")), port_(FreePort()) {
    asRoot_ = ::geteuid() == 0;
    if (asRoot_) Require(Shell("chown postgres " + folder_.string()), "chown");
    std::ofstream(folder_ / "pw") << kSecret << "\n";
    if (asRoot_) Shell("chown postgres " + (folder_ / "pw").string());
    Require(Shell(As() + kPostgresBin + "/initdb -A scram-sha-256 -U orvanel --pwfile=" + (folder_ / "pw").string() +
                  " -D " + (folder_ / "data").string()),
            "initdb");
    Start();
  }
  ~Postgres() override {
    Shell(As() + kPostgresBin + "/pg_ctl -D " + (folder_ / "data").string() + " -m immediate -w stop");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  const char* Engine() const override { return "PostgreSQL"; }

  std::string FreshDatabase() override {
    const std::string name = "store" + std::to_string(++made_);
    Require(Admin("postgres", "CREATE DATABASE " + name), "CREATE DATABASE");
    return std::string("Driver=") + kPsqlDriver + ";Server=127.0.0.1;Port=" + std::to_string(port_) +
           ";Database=" + name + ";Uid=orvanel;Pwd=" + kSecret + ";";
  }

  bool Admin(const std::string& name, const std::string& sql) override {
    return Shell(std::string("PGPASSWORD=") + kSecret + " psql -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " +
                 std::to_string(port_) + " -U orvanel -d " + name + " -c \"" + sql + "\"");
  }

  void Kill() override {
    const pid_t postmaster = PidInFile(folder_ / "data" / "postmaster.pid");
    // Stopped first, so that no backend it forks after the list below
    // outlives it and keeps serving its connection.
    ::kill(postmaster, SIGSTOP);
    const std::vector<pid_t> children = ChildrenOf(postmaster);
    ::kill(postmaster, SIGKILL);
    for (const pid_t child : children) ::kill(child, SIGKILL);
    WaitGone(postmaster);
    for (const pid_t child : children) WaitGone(child);
    // Where no process reaps the orphaned server, its id stays taken by a
    // zombie that the next start would take for a running server.
    std::error_code ignored;
    fs::remove(folder_ / "data" / "postmaster.pid", ignored);
    const std::string socket = ".s.PGSQL." + std::to_string(port_);
    fs::remove(folder_ / socket, ignored);
    fs::remove(folder_ / (socket + ".lock"), ignored);
  }

  void Start() override {
    Require(Shell(As() + kPostgresBin + "/pg_ctl -D " + (folder_ / "data").string() + " -l " +
                  (folder_ / "log").string() + " -w -t 60 -o \"-p " + std::to_string(port_) + " -k " +
                  folder_.string() + " -c listen_addresses=127.0.0.1 -c fsync=off\" start"),
            "pg_ctl start: " + LogTail(folder_ / "log"));
  }

 private:
  std::string As() const { return asRoot_ ? "runuser -u postgres -- " : ""; }

  fs::path folder_;
  int port_;
  bool asRoot_ = false;
  int made_ = 0;
};

class MariaDb final : public TestDatabase {
 public:
  MariaDb() : folder_(TemporaryFolder("orvanel-maria-")), port_(FreePort()) {
    Require(Shell("mariadb-install-db --no-defaults --user=" + User() + " --auth-root-authentication-method=normal " +
                  "--skip-test-db --datadir=" + (folder_ / "data").string()),
            "mariadb-install-db");
    Start();
    Require(Root("CREATE USER 'orvanel'@'127.0.0.1' IDENTIFIED BY '" + std::string(kSecret) +
                 "'; GRANT ALL ON *.* TO 'orvanel'@'127.0.0.1'"),
            "CREATE USER");
  }
  ~MariaDb() override {
    Kill();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  const char* Engine() const override { return "MariaDB"; }

  std::string FreshDatabase() override {
    const std::string name = "store" + std::to_string(++made_);
    Require(Root("CREATE DATABASE " + name), "CREATE DATABASE");
    return std::string("Driver=") + kMariaDbDriver + ";Server=127.0.0.1;Port=" + std::to_string(port_) +
           ";Database=" + name + ";Uid=orvanel;Pwd=" + kSecret + ";";
  }

  bool Admin(const std::string& name, const std::string& sql) override { return Root("USE " + name + "; " + sql); }

  void Kill() override {
    const pid_t server = PidInFile(folder_ / "pid");
    if (server <= 0) return;
    ::kill(server, SIGKILL);
    WaitGone(server);
  }

  void Start() override {
    fs::remove(folder_ / "pid");
    Require(Shell("mariadbd --no-defaults --user=" + User() + " --datadir=" + (folder_ / "data").string() +
                  " --socket=" + (folder_ / "sock").string() + " --pid-file=" + (folder_ / "pid").string() +
                  " --port=" + std::to_string(port_) +
                  " --bind-address=127.0.0.1 --innodb-flush-log-at-trx-commit=2 --log-error=" +
                  (folder_ / "log").string() + " & sleep 0"),
            "mariadbd");
    for (int tries = 0; tries < 300; ++tries) {
      if (fs::exists(folder_ / "pid") && Root("SELECT 1")) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Require(false, "mariadbd did not answer");
  }

 private:
  static std::string User() {
    const char* name = std::getenv("USER");
    return ::geteuid() == 0 ? "root" : (name != nullptr ? name : "nobody");
  }
  bool Root(const std::string& sql) {
    return Shell("mariadb --no-defaults -S " + (folder_ / "sock").string() + " -u root -e \"" + sql + "\"");
  }

  fs::path folder_;
  int port_;
  int made_ = 0;
};

std::unique_ptr<TestDatabase>& Started(const std::string& engine) {
  static std::unique_ptr<TestDatabase> postgres;
  static std::unique_ptr<TestDatabase> mariadb;
  return engine == "PostgreSQL" ? postgres : mariadb;
}

}  // namespace

TestDatabase* DatabaseOf(const std::string& engine, std::string& why) {
  std::unique_ptr<TestDatabase>& server = Started(engine);
  if (server) return server.get();
  const bool postgres = engine == "PostgreSQL";
  const std::vector<std::string> needed =
      postgres ? std::vector<std::string>{std::string(kPostgresBin) + "/initdb", kPsqlDriver, "/usr/bin/psql"}
               : std::vector<std::string>{"/usr/sbin/mariadbd", "/usr/bin/mariadb-install-db", kMariaDbDriver};
  for (const std::string& path : needed)
    if (!fs::exists(path)) {
      why = path + " is not installed (./orvanel installs it)";
      return nullptr;
    }
  if (postgres)
    server = std::make_unique<Postgres>();
  else
    server = std::make_unique<MariaDb>();
  return server.get();
}
#endif
