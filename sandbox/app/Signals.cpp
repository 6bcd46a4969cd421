#include "sandbox/app/Signals.h"

#include <iostream>

#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <streambuf>
#endif

namespace sandbox {

#if defined(_WIN32)

// No POSIX signals: Ctrl-C and the end of a console keep their default action.
void CatchSignals(bool) {}
int StopSignal() { return 0; }
bool InterruptPending() { return false; }
void ClearInterrupt() {}
bool TakeResize() { return false; }
bool WaitForInput(int) { return true; }
std::istream& StandardInput() { return std::cin; }
void EndBySignal() {}

#else

namespace {

volatile std::sig_atomic_t stopSignal = 0;
volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t resized = 0;
volatile std::sig_atomic_t interruptIsKey = 0;
// The self-pipe: the handler writes a byte, a wait for input watches the other end.
int wakeRead = -1;
int wakeWrite = -1;

extern "C" void OnSignal(int number) {
  const int saved = errno;
  if (number == SIGWINCH) {
    resized = 1;
  } else if (number == SIGINT && interruptIsKey != 0) {
    interrupted = 1;
  } else if (stopSignal == 0) {
    stopSignal = number;
  }
  const char byte = 0;
  // A pipe too full to take the byte already wakes the waiter.
  [[maybe_unused]] const ssize_t written = write(wakeWrite, &byte, 1);
  errno = saved;
}

void DrainWakes() {
  char bytes[64];
  while (read(wakeRead, bytes, sizeof bytes) > 0) {
  }
}

// Standard input in blocks, each read waiting first for input or a stop signal.
class StopAwareInput final : public std::streambuf {
 protected:
  int_type underflow() override {
    while (stopSignal == 0) {
      if (!WaitForInput(STDIN_FILENO)) continue;
      const ssize_t got = read(STDIN_FILENO, buffer_, sizeof buffer_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      setg(buffer_, buffer_, buffer_ + got);
      return traits_type::to_int_type(buffer_[0]);
    }
    return traits_type::eof();
  }

 private:
  char buffer_[4096];
};

}  // namespace

void CatchSignals(bool interrupt_is_key) {
  int ends[2];
  if (pipe(ends) != 0) return;
  for (const int end : ends) {
    fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
    fcntl(end, F_SETFD, FD_CLOEXEC);
  }
  wakeRead = ends[0];
  wakeWrite = ends[1];
  interruptIsKey = interrupt_is_key ? 1 : 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Reads and writes outside the waits go on as if nothing happened.
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGWINCH}) {
    struct sigaction before {};
    sigaction(number, nullptr, &before);
    // A signal ignored from the start stays ignored (nohup, a background job).
    if (before.sa_handler != SIG_IGN) sigaction(number, &action, nullptr);
  }
}

int StopSignal() { return stopSignal; }
bool InterruptPending() { return interrupted != 0; }
void ClearInterrupt() { interrupted = 0; }

bool TakeResize() {
  if (resized == 0) return false;
  resized = 0;
  return true;
}

bool WaitForInput(int fd) {
  pollfd watched[2] = {{fd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
  while (poll(watched, 2, -1) < 0) {
    // The read that follows reports what went wrong.
    if (errno != EINTR) return true;
  }
  if (watched[1].revents == 0) return true;
  DrainWakes();
  return false;
}

std::istream& StandardInput() {
  static StopAwareInput buffer;
  static std::istream input(&buffer);
  return input;
}

void EndBySignal() {
  const int number = stopSignal;
  if (number == 0) return;
  std::cout.flush();
  std::fflush(nullptr);
  std::signal(number, SIG_DFL);
  std::raise(number);
}

#endif

}  // namespace sandbox
