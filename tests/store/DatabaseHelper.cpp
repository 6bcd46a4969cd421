// orvanel-test-databases: the tests' database servers (Databases.cpp) for a
// test program that cannot start them itself, the Windows build run under
// Wine. `start FILE` starts both servers in a process of their own, which
// answers on 127.0.0.1 at the port it writes to FILE, one request a connection
// (a line of fields split by tabs: open, fresh, admin, kill, start or stop, an
// engine and its arguments; the answer "ok", "unavailable" or "fail" and a
// text). `stop FILE` ends that process and its servers. An abandoned one ends
// itself after kIdleSeconds without a request. Built for this machine only.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "store/Databases.h"

namespace fs = std::filesystem;

namespace {

// Longer than the Windows suite's timeout: ctest has run the cleanup by then
// whatever happened, unless ctest itself was killed.
constexpr int kIdleSeconds = 20 * 60;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

// What became of each engine's server at the start: its server, or why not.
struct Served {
  TestDatabase* database = nullptr;
  std::string status;  // "unavailable" (not installed) or "fail" (it did not start)
  std::string why;
};

std::string Answer(std::map<std::string, Served>& served, const std::vector<std::string>& request, bool& stop) {
  if (request.size() == 1 && request[0] == "stop") {
    stop = true;
    return "ok";
  }
  if (request.size() < 2 || served.count(request[1]) == 0) return "fail\tno such request";
  const Served& engine = served[request[1]];
  if (engine.database == nullptr) return engine.status + "\t" + engine.why;
  TestDatabase& database = *engine.database;
  try {
    if (request[0] == "open") return "ok";
    if (request[0] == "fresh") return "ok\t" + database.FreshDatabase();
    if (request[0] == "admin" && request.size() == 4)
      return database.Admin(request[2], request[3]) ? "ok" : "fail\tthe statement failed";
    if (request[0] == "kill") {
      database.Kill();
      return "ok";
    }
    if (request[0] == "start") {
      database.Start();
      return "ok";
    }
  } catch (const std::exception& failure) {
    return std::string("fail\t") + failure.what();
  }
  return "fail\tno such request";
}

int Listening(int& port) {
  // Not inherited by a server started again while it is open.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return -1;
  port = ntohs(address.sin_port);
  return fd;
}

// The file that names the port; removed once the servers have stopped.
fs::path portFile;

void RemovePortFile() {
  std::error_code ignored;
  fs::remove(portFile, ignored);
}

// The servers' process: started, listening, the port written, then answering.
int Serve(const fs::path& file) {
  // Registered before the servers exist, it runs after they are stopped at exit.
  portFile = file;
  std::atexit(RemovePortFile);
  std::map<std::string, Served> served;
  for (const char* name : {"PostgreSQL", "MariaDB"}) {
    Served& engine = served[name];
    try {
      engine.database = DatabaseOf(name, engine.why);
      if (engine.database == nullptr) engine.status = "unavailable";
    } catch (const std::exception& failure) {
      engine.status = "fail";
      engine.why = failure.what();
    }
    std::cerr << name << ": " << (engine.database != nullptr ? "started" : engine.status + " " + engine.why)
              << std::endl;
  }
  int port = 0;
  const int listener = Listening(port);
  if (listener < 0) return 1;
  {
    std::ofstream(fs::path(file).concat(".new")) << port << "\n";
    fs::rename(fs::path(file).concat(".new"), file);
  }
  for (bool stop = false; !stop;) {
    pollfd waiting{listener, POLLIN, 0};
    if (::poll(&waiting, 1, kIdleSeconds * 1000) <= 0) {
      std::cerr << "no request for " << kIdleSeconds << " seconds: stopping" << std::endl;
      break;
    }
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::string line;
    char c = 0;
    while (::read(client, &c, 1) == 1 && c != '\n') line += c;
    const std::string reply = Answer(served, Fields(line), stop) + "\n";
    if (::write(client, reply.data(), reply.size()) < 0) std::cerr << "an answer was not sent" << std::endl;
    ::close(client);
  }
  ::close(listener);
  return 0;  // the servers stop as the process exits, then the file goes
}

int Ask(const fs::path& file, const std::string& request, std::string& reply) {
  int port = 0;
  std::ifstream(file) >> port;
  if (port <= 0) return 1;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return 1;
  }
  const std::string line = request + "\n";
  if (::write(fd, line.data(), line.size()) < 0) return 1;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') reply += c;
  ::close(fd);
  return 0;
}

// Ends the servers' process that FILE names, if any, and waits until it is gone.
int Stop(const fs::path& file) {
  std::string reply;
  if (!fs::exists(file)) return 0;
  if (Ask(file, "stop", reply) != 0) {
    std::cerr << "no servers' process answers at the port in " << file << "; left as it is" << std::endl;
    std::error_code ignored;
    fs::remove(file, ignored);
    return 0;
  }
  for (int tries = 0; tries < 600 && fs::exists(file); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return fs::exists(file) ? 1 : 0;
}

int Start(const fs::path& file) {
  Stop(file);  // one left from a run that ctest did not end
  const fs::path log = fs::path(file).concat(".log");
  const pid_t child = ::fork();
  if (child < 0) return 1;
  if (child == 0) {
    // Its own session, and none of ctest's pipes, so that ctest does not wait for it.
    ::setsid();
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) ::_exit(1);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::close(in);
    ::close(out);
    std::exit(Serve(file));
  }
  for (int tries = 0; tries < 3000; ++tries) {
    if (fs::exists(file)) {
      std::cout << std::ifstream(log).rdbuf();
      return 0;
    }
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::cerr << "the database servers did not start:\n" << std::ifstream(log).rdbuf();
  ::kill(child, SIGKILL);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::string(argv[1]) != "start" && std::string(argv[1]) != "stop")) {
    std::cerr << "usage: orvanel-test-databases start|stop FILE" << std::endl;
    return 2;
  }
  return std::string(argv[1]) == "start" ? Start(argv[2]) : Stop(argv[2]);
}
