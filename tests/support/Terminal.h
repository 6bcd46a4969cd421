// A program of the build at a pseudo-terminal, run as a person at a keyboard
// runs it: keys typed, what it writes read as it comes, signals sent, the
// terminal closed, and its exit status as a shell gives it. Every wait polls
// against a deadline; none sleeps for a fixed time. POSIX systems only.
#pragma once

#if !defined(_WIN32)

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

class Terminal {
 public:
  // Starts `program` on a fresh 80x24 terminal, in the tests' environment with
  // `environment` laid over it (an empty value removes the variable).
  Terminal(const std::string& program, const std::vector<std::string>& arguments,
           const std::map<std::string, std::string>& environment);
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  // Kills a program still running.
  ~Terminal();

  void Type(const std::string& keys);
  // Waits for `text` in what the program wrote since the last text waited for;
  // false when the output ends or the deadline passes first, and at once ever
  // after, so that a test gone astray ends soon.
  bool WaitFor(const std::string& text);
  void Signal(int number);
  // Closes the terminal, as when its window is closed.
  void Hangup();
  // Waits for the program to end: its exit status, 128 + the signal that ended
  // it, or -1 when the deadline passes first.
  int Wait();
  // Everything the program wrote so far.
  const std::string& Output() const { return output_; }

 private:
  // Reads what is there, waiting at most until `deadline_ms`; false at the end of the output.
  bool ReadSome(long long deadline_ms);

  int master_ = -1;
  pid_t child_ = -1;
  std::string output_;
  std::size_t seen_ = 0;
  bool lost_ = false;
};

#endif
