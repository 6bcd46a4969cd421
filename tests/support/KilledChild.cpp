#include "support/KilledChild.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

KilledChild RunUntilKilled(const std::function<void(int write_end)>& child,
                           const std::function<bool(const std::string& written)>& enough, useconds_t microseconds) {
  KilledChild result;
  int ends[2];
  if (pipe(ends) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    close(ends[0]);
    child(ends[1]);
    _exit(127);
  }
  close(ends[1]);
  char buffer[4096];
  while (!enough(result.written)) {
    const ssize_t got = read(ends[0], buffer, sizeof buffer);
    if (got <= 0) break;
    result.written.append(buffer, static_cast<std::size_t>(got));
  }
  usleep(microseconds);
  kill(pid, SIGKILL);
  waitpid(pid, &result.status, 0);
  result.killed = WIFSIGNALED(result.status);
  // What it wrote before it died, the pipe still holds.
  for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;)
    result.written.append(buffer, static_cast<std::size_t>(got));
  close(ends[0]);
  return result;
}

KilledChild RunSandboxUntilKilled(const std::string& root, const std::string& world, const std::string& script,
                                  const std::function<bool(const std::string& written)>& enough,
                                  useconds_t microseconds) {
  return RunUntilKilled(
      [&](int write_end) {
        dup2(write_end, STDOUT_FILENO);
        close(write_end);
        execl(ORVANEL_SANDBOX_PATH, ORVANEL_SANDBOX_PATH, "--root", root.c_str(), "--world", world.c_str(),
              script.c_str(), static_cast<char*>(nullptr));
      },
      enough, microseconds);
}
#endif
