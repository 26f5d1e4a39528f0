// Starting a helper program (osslsigncode) without a shell.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/mksetup/Stub.h"

extern char** environ;

namespace mksetup {

int RunProgram(const std::vector<std::string>& argv, std::string& output) {
  output.clear();
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) {
    output = std::strerror(errno);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t child = 0;
  const int started = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (started != 0) {
    ::close(pipe[0]);
    output = "cannot start " + argv[0] + ": " + std::strerror(started);
    return -1;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
    if (n > 0) {
      output.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipe[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  output += argv[0] + " was ended by signal " + std::to_string(WTERMSIG(status));
  return 128 + WTERMSIG(status);
}

}  // namespace mksetup
