#pragma once

// POSIX test helpers: a child process that holds things, and a body run as another user.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "tests/support/temp_folder.h"

extern char** environ;

namespace updater::testing {

// A child process that sleeps while it holds what the test gives it (an open file, a
// working folder). Killed and reaped at the end.
class HoldingChild {
 public:
  struct Options {
    std::string program = "/usr/bin/sleep";
    std::string argv0;      // defaults to the program
    std::string open_file;  // held as descriptor 7 when set
    int open_flags = O_RDONLY;
    std::string working_folder;  // its working folder when set
  };

  explicit HoldingChild(const Options& options) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!options.open_file.empty()) {
      ::posix_spawn_file_actions_addopen(&actions, 7, options.open_file.c_str(), options.open_flags,
                                         0644);
    }
    if (!options.working_folder.empty()) {
      ::posix_spawn_file_actions_addchdir_np(&actions, options.working_folder.c_str());
    }
    std::string argv0 = options.argv0.empty() ? options.program : options.argv0;
    std::string seconds = "600";
    char* argv[] = {argv0.data(), seconds.data(), nullptr};
    if (::posix_spawn(&pid_, options.program.c_str(), &actions, nullptr, argv, environ) != 0) {
      pid_ = -1;
    }
    ::posix_spawn_file_actions_destroy(&actions);
  }
  ~HoldingChild() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }
  // The raw wait status; the child is gone afterwards.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }
  bool Alive() const { return pid_ > 0 && ::kill(pid_, 0) == 0 && !Zombie(); }

 private:
  bool Zombie() const {
    std::string stat = ReadFile("/proc/" + std::to_string(pid_) + "/stat");
    std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
  }
  pid_t pid_ = -1;
};

inline HoldingChild::Options Running(const std::string& program) {
  HoldingChild::Options o;
  o.program = program;
  return o;
}
inline HoldingChild::Options Opening(const std::string& file) {
  HoldingChild::Options o;
  o.open_file = file;
  return o;
}
inline HoldingChild::Options WorkingIn(const std::string& folder) {
  HoldingChild::Options o;
  o.working_folder = folder;
  return o;
}

// Runs `body` in a forked child as the unprivileged user "nobody" (when we are root) and
// returns its exit code; rights only bite on files for such a user.
inline int RunAsNobody(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
    ::_exit(body());
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

}  // namespace updater::testing
