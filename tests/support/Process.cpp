#include "support/Process.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>

namespace {

#if defined(_WIN32)
FILE* OpenCommand(const std::string& command) { return _popen(command.c_str(), "r"); }
int CloseCommand(FILE* pipe) { return _pclose(pipe); }
int ExitStatus(int status) { return status; }
#else
FILE* OpenCommand(const std::string& command) { return popen(command.c_str(), "r"); }
int CloseCommand(FILE* pipe) { return pclose(pipe); }
// A crash must not read as success: WEXITSTATUS of a signalled process is 0.
int ExitStatus(int status) { return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status); }
#endif

}  // namespace

std::string RunCommand(const std::string& program, const std::string& arguments, int& status) {
  const std::string command = std::filesystem::path(program).make_preferred().string() + " " + arguments + " 2>&1";
  FILE* pipe = OpenCommand(command);
  std::string output;
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[4096];
  while (std::size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  status = ExitStatus(CloseCommand(pipe));
  return output;
}
