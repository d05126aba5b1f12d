#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "seams/progress.h"
#include "sys/command_line.h"
#include "sys/error.h"
#include "sys/path.h"
#include "sys/run_program.h"

extern char** environ;

namespace updater {

namespace {

// A posix_spawn settings object, destroyed when the owner goes.
template <typename T, auto Init, auto Destroy>
class SpawnSettings {
 public:
  SpawnSettings() { ok_ = Init(&value_) == 0; }
  ~SpawnSettings() {
    if (ok_) Destroy(&value_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;
  bool ok() const { return ok_; }
  T* get() { return &value_; }

 private:
  T value_;
  bool ok_ = false;
};

using SpawnActions = SpawnSettings<posix_spawn_file_actions_t, ::posix_spawn_file_actions_init,
                                   ::posix_spawn_file_actions_destroy>;
using SpawnAttributes =
    SpawnSettings<posix_spawnattr_t, ::posix_spawnattr_init, ::posix_spawnattr_destroy>;

[[noreturn]] void StartFailed() {
  throw Error("Unable to run an external program!");
}

}  // namespace

std::int32_t RunAndWait(Operator& op, const std::string& program,
                        const std::optional<std::string>& params, int /*show_window*/,
                        Progress* progress) {
  const std::string full_program = FullPath(program);
  std::string command_line = full_program + params.value_or("");

  // The platform reads the program's name up to the first blank of the command line.
  std::size_t name_end = full_program.size();
  while (name_end < command_line.size() && command_line[name_end] != ' ' &&
         command_line[name_end] != '\t') {
    ++name_end;
  }
  const std::string file = command_line.substr(0, name_end);
  std::vector<std::string> words = SplitCommandLine(command_line.substr(name_end));
  words.insert(words.begin(), file);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  SpawnActions actions;
  SpawnAttributes attributes;
  if (!actions.ok() || !attributes.ok()) StartFailed();
  const std::string folder = FolderPart(full_program);
  sigset_t no_signals;
  sigset_t all_signals;
  ::sigemptyset(&no_signals);
  ::sigfillset(&all_signals);
  // A fresh start: its own group, no handles of ours, default signal handling.
  if (::posix_spawn_file_actions_addchdir_np(actions.get(), folder.c_str()) != 0 ||
      ::posix_spawn_file_actions_addclosefrom_np(actions.get(), 3) != 0 ||
      ::posix_spawnattr_setpgroup(attributes.get(), 0) != 0 ||
      ::posix_spawnattr_setsigmask(attributes.get(), &no_signals) != 0 ||
      ::posix_spawnattr_setsigdefault(attributes.get(), &all_signals) != 0 ||
      ::posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF) != 0) {
    StartFailed();
  }
  // The program may write to our terminal: a progress line must not stand in its way.
  if (progress != nullptr) progress->MakeWayForOtherOutput();
  pid_t pid = 0;
  if (::posix_spawn(&pid, file.c_str(), actions.get(), attributes.get(), argv.data(), environ) !=
      0) {
    StartFailed();
  }

  op.ProcessMessages();
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw Error("Cannot wait for the external program to end!");
  }
  op.ProcessMessages();
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace updater
