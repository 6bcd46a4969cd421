#include "support/Terminal.h"

#if !defined(_WIN32)

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

// A wait lasts this long only when something is wrong; a loaded machine running
// the sanitizer build starts the program in seconds.
constexpr long long kDeadlineMs = 30000;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

Terminal::Terminal(const std::string& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment) {
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string setting(*entry);
    const std::size_t equals = setting.find('=');
    if (equals != std::string::npos) variables[setting.substr(0, equals)] = setting.substr(equals + 1);
  }
  for (const auto& [name, value] : environment) {
    if (value.empty())
      variables.erase(name);
    else
      variables[name] = value;
  }
  std::vector<std::string> settings;
  for (const auto& [name, value] : variables) settings.push_back(name + "=" + value);
  // Everything the child needs is made before the fork: after it, only exec.
  std::vector<char*> argv, envp;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  for (std::string& setting : settings) envp.push_back(setting.data());
  envp.push_back(nullptr);
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 80;
  child_ = forkpty(&master_, nullptr, nullptr, &size);
  if (child_ == 0) {
    // As a terminal starts a program: every signal with its default action and
    // none blocked, whatever the tests were started with (a background job
    // ignores SIGINT).
    struct sigaction fresh {};
    fresh.sa_handler = SIG_DFL;
    for (const int number : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE}) sigaction(number, &fresh, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
}

Terminal::~Terminal() {
  if (child_ > 0) {
    kill(child_, SIGKILL);
    int status = 0;
    waitpid(child_, &status, 0);
  }
  if (master_ >= 0) close(master_);
}

void Terminal::Type(const std::string& keys) {
  std::size_t written = 0;
  while (written < keys.size()) {
    const ssize_t count = write(master_, keys.data() + written, keys.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    written += static_cast<std::size_t>(count);
  }
}

bool Terminal::ReadSome(long long deadline_ms) {
  pollfd watched{master_, POLLIN, 0};
  for (;;) {
    const long long left = deadline_ms - NowMs();
    if (left <= 0) return false;
    const int ready = poll(&watched, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char buffer[4096];
    const ssize_t count = read(master_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    // The end: every holder of the terminal's other side has closed it (EIO).
    if (count <= 0) return false;
    output_.append(buffer, static_cast<std::size_t>(count));
    return true;
  }
}

bool Terminal::WaitFor(const std::string& text) {
  const long long deadline = NowMs() + kDeadlineMs;
  while (!lost_) {
    const std::size_t at = output_.find(text, seen_);
    if (at != std::string::npos) {
      seen_ = at + text.size();
      return true;
    }
    lost_ = !ReadSome(deadline);
  }
  return false;
}

void Terminal::Signal(int number) { kill(child_, number); }

void Terminal::Hangup() {
  close(master_);
  master_ = -1;
}

int Terminal::Wait() {
  const long long deadline = NowMs() + kDeadlineMs;
  if (master_ >= 0) {
    while (ReadSome(deadline)) {
    }
  }
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(child_, &status, WNOHANG);
    if (ended == child_) break;
    if (ended < 0 || NowMs() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  child_ = -1;
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

#endif
