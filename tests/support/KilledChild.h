// A child process killed as a crash would kill it: it writes to a pipe, the
// test reads until it has seen enough, waits a while more, kills it with
// SIGKILL and drains what it wrote before it died. POSIX only.
#pragma once

#if !defined(_WIN32)
#include <sys/types.h>

#include <functional>
#include <string>

struct KilledChild {
  std::string written;  // everything the child wrote to its end of the pipe
  bool killed = false;  // ended by the signal, not of itself
  int status = 0;
};

// Forks; the child runs `child` with the pipe's write end and must never
// return (it may exec or _exit). The parent reads until `enough` says so of
// what was written or the child closes the pipe, waits `microseconds`, kills it.
KilledChild RunUntilKilled(const std::function<void(int write_end)>& child,
                           const std::function<bool(const std::string& written)>& enough, useconds_t microseconds);

// The sandbox program run on the server tree `root`, the world file `world`
// and the script `script`, its standard output the pipe, killed as above.
KilledChild RunSandboxUntilKilled(const std::string& root, const std::string& world, const std::string& script,
                                  const std::function<bool(const std::string& written)>& enough,
                                  useconds_t microseconds);
#endif
