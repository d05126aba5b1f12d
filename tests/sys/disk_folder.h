#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/file_text.h"

extern char** environ;

namespace updater::testing {

// A fresh folder on a fixed disk (not the tmpfs that /tmp may be), removed at the end.
class DiskFolder {
 public:
  DiskFolder() {
    std::string pattern = "/var/tmp/updater-sys-XXXXXX";
    path_ = ::mkdtemp(pattern.data());
    ::chmod(path_.c_str(), 0777);  // tests that drop to another user write here too
  }
  ~DiskFolder() {
    // Restore rights that a test took away, then remove without our own code.
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0777);
    }
    std::filesystem::remove_all(path_, ec);
  }
  DiskFolder(const DiskFolder&) = delete;
  DiskFolder& operator=(const DiskFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Works in `folder` until the end of the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& folder)
      : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedCurrentDirectory() {
    std::error_code ec;
    std::filesystem::current_path(before_, ec);
  }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path before_;
};

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
