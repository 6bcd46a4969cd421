// The tests' database servers on Windows, run under Wine: the same servers as
// on Linux (Databases.cpp), started on the Linux side by ctest's fixture
// StoreDatabases (orvanel-test-databases, DatabaseHelper.cpp), which names its
// port in ORVANEL_DATABASES_FILE; every request, Kill and Start among them, is
// one line to it over 127.0.0.1.
#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>

#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/Databases.h"

namespace {

// The helper's port, from its file; 0 without one.
int HelperPort() {
  static const int port = [] {
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
    int read = 0;
    std::ifstream(ORVANEL_DATABASES_FILE) >> read;
    return read;
  }();
  return port;
}

// The helper's answer to the tab-separated `request`: "ok", "unavailable" or
// "fail", a tab, and a text. Throws when the helper cannot be asked.
std::string Ask(const std::string& request) {
  const int port = HelperPort();
  const SOCKET fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  if (fd == INVALID_SOCKET || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd != INVALID_SOCKET) ::closesocket(fd);
    throw std::runtime_error("the database servers' helper does not answer at port " + std::to_string(port));
  }
  const std::string line = request + "\n";
  ::send(fd, line.data(), static_cast<int>(line.size()), 0);
  std::string reply;
  char c = 0;
  while (::recv(fd, &c, 1, 0) == 1 && c != '\n') reply += c;
  ::closesocket(fd);
  return reply;
}

// The text after an "ok" answer; throws the helper's reason for any other.
std::string Ok(const std::string& request) {
  const std::string reply = Ask(request);
  const std::size_t tab = reply.find('\t');
  const std::string text = tab == std::string::npos ? "" : reply.substr(tab + 1);
  if (reply.substr(0, tab) != "ok") throw std::runtime_error("the test database: " + request + ": " + reply);
  return text;
}

class HelperDatabase final : public TestDatabase {
 public:
  explicit HelperDatabase(std::string engine) : engine_(std::move(engine)) {}
  const char* Engine() const override { return engine_.c_str(); }
  std::string FreshDatabase() override { return Ok("fresh\t" + engine_); }
  bool Admin(const std::string& name, const std::string& sql) override {
    return Ask("admin\t" + engine_ + "\t" + name + "\t" + sql).substr(0, 2) == "ok";
  }
  void Kill() override { Ok("kill\t" + engine_); }
  void Start() override { Ok("start\t" + engine_); }

 private:
  std::string engine_;
};

}  // namespace

TestDatabase* DatabaseOf(const std::string& engine, std::string& why) {
  static std::map<std::string, std::unique_ptr<TestDatabase>> opened;
  std::unique_ptr<TestDatabase>& database = opened[engine];
  if (database) return database.get();
  if (HelperPort() <= 0) {
    why = std::string(ORVANEL_DATABASES_FILE) + " names no helper (ctest's fixture StoreDatabases starts one)";
    return nullptr;
  }
  const std::string reply = Ask("open\t" + engine);
  if (reply.rfind("unavailable\t", 0) == 0) {
    why = reply.substr(reply.find('\t') + 1);
    return nullptr;
  }
  if (reply != "ok") throw std::runtime_error("the test database could not be set up: " + reply);
  database = std::make_unique<HelperDatabase>(engine);
  return database.get();
}
#endif
