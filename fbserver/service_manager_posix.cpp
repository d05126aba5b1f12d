#include "fbserver/service_manager_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <vector>

#include "fbserver/service_manager.h"
#include "sys/posix_util.h"

extern char** environ;

namespace updater {

namespace {

// How long a status probe may take before it counts as unanswered.
constexpr int kProbeLimitMs = 20000;

// Starts `argv` with fixed arguments (no shell): standard input and error on /dev/null,
// standard output on `stdout_fd` or /dev/null, no other descriptors inherited, in a process
// group of its own. -1 when it does not start.
pid_t Spawn(const std::vector<std::string>& argv, int stdout_fd) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (stdout_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdout_fd, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // A daemon started by the script must not keep our pipes or files open.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t empty, defaults;
  sigemptyset(&empty);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &empty);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const bool search_path = argv[0].find('/') == std::string::npos;
  int rc = search_path ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                       : posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return rc == 0 ? pid : -1;
}

// Blocking reap; the exit code, or -1 when the child died of a signal.
int Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct RunResult {
  bool answered = false;  // started and ended within the limit
  int exit_code = -1;
  std::string output;
};

// Runs a short command to its end, its output collected when asked; a command that
// outlives the limit is killed and counts as unanswered.
RunResult RunBounded(const std::vector<std::string>& argv, bool capture) {
  RunResult result;
  int pipe_fds[2] = {-1, -1};
  if (capture && ::pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
  UniqueFd read_end(pipe_fds[0]);
  UniqueFd write_end(pipe_fds[1]);
  const pid_t pid = Spawn(argv, capture ? write_end.get() : -1);
  write_end.Reset();
  if (pid < 0) return result;

  UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  if (pidfd.get() < 0) {  // no pidfd: fall back to plain blocking reads
    char buf[4096];
    ssize_t n;
    while (capture && (n = ::read(read_end.get(), buf, sizeof buf)) != 0) {
      if (n > 0)
        result.output.append(buf, static_cast<std::size_t>(n));
      else if (errno != EINTR)
        break;
    }
    result.exit_code = Reap(pid);
    result.answered = true;
    return result;
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kProbeLimitMs);
  bool exited = false;
  while (read_end.get() >= 0 || !exited) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fds[2];
    nfds_t count = 0;
    if (!exited) fds[count++] = {pidfd.get(), POLLIN, 0};
    if (read_end.get() >= 0) fds[count++] = {read_end.get(), POLLIN, 0};
    const int ready = ::poll(fds, count, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) break;
    for (nfds_t i = 0; ready > 0 && i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == pidfd.get()) {
        exited = true;
      } else {
        char buf[4096];
        const ssize_t n = ::read(read_end.get(), buf, sizeof buf);
        if (n > 0)
          result.output.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
          read_end.Reset();
      }
    }
  }
  if (!exited) ::kill(pid, SIGKILL);
  result.exit_code = Reap(pid);
  result.answered = exited;
  return result;
}

// How one kind of service manager is asked.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool Exists(const std::string& name) = 0;
  virtual std::vector<std::string> RequestCommand(const std::string& name, bool start) = 0;
  // The current state, nullopt when it cannot be asked.
  virtual std::optional<std::uint32_t> Probe(const std::string& name) = 0;
};

bool ValidServiceName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.front() != '-' &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

class InitScriptBackend final : public Backend {
 public:
  explicit InitScriptBackend(std::string dir) : dir_(std::move(dir)) {}

  bool Exists(const std::string& name) override {
    return ValidServiceName(name) && ::access(Script(name).c_str(), X_OK) == 0;
  }
  std::vector<std::string> RequestCommand(const std::string& name, bool start) override {
    return {Script(name), start ? "start" : "stop"};
  }
  // LSB status: 0 running; everything else (dead, unknown) is taken as stopped.
  std::optional<std::uint32_t> Probe(const std::string& name) override {
    RunResult r = RunBounded({Script(name), "status"}, false);
    if (!r.answered) return std::nullopt;
    return r.exit_code == 0 ? kServiceRunning : kServiceStopped;
  }

 private:
  std::string Script(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

class SystemdBackend final : public Backend {
 public:
  bool Exists(const std::string& name) override {
    if (!ValidServiceName(name)) return false;
    auto props = Show(name);
    return props && props->load_state != "not-found" && !props->load_state.empty();
  }
  std::vector<std::string> RequestCommand(const std::string& name, bool start) override {
    return {"systemctl", start ? "start" : "stop", "--", Unit(name)};
  }
  std::optional<std::uint32_t> Probe(const std::string& name) override {
    auto props = Show(name);
    if (!props) return std::nullopt;
    const std::string& s = props->active_state;
    if (s == "active" || s == "reloading") return kServiceRunning;
    if (s == "activating") return kServiceStartPending;
    if (s == "deactivating") return kServiceStopPending;
    return kServiceStopped;
  }

 private:
  struct Props {
    std::string load_state;
    std::string active_state;
  };
  static std::string Unit(const std::string& name) {
    return name.find('.') == std::string::npos ? name + ".service" : name;
  }
  static std::optional<Props> Show(const std::string& name) {
    RunResult r = RunBounded(
        {"systemctl", "show", "--property=LoadState", "--property=ActiveState", "--", Unit(name)},
        true);
    if (!r.answered || r.exit_code != 0) return std::nullopt;
    Props props;
    std::size_t start = 0;
    while (start < r.output.size()) {
      std::size_t end = r.output.find('\n', start);
      if (end == std::string::npos) end = r.output.size();
      const std::string line = r.output.substr(start, end - start);
      if (line.rfind("LoadState=", 0) == 0) props.load_state = line.substr(10);
      if (line.rfind("ActiveState=", 0) == 0) props.active_state = line.substr(12);
      start = end + 1;
    }
    return props;
  }
};

class PosixService final : public Service {
 public:
  PosixService(std::shared_ptr<Backend> backend, std::string name, ServiceAccess access)
      : backend_(std::move(backend)), name_(std::move(name)), access_(access) {}

  ~PosixService() override {
    // A request script still running when the handle closes has hung: end it.
    if (!RequestFinished()) {
      ::kill(pending_pid_, SIGKILL);
      Reap(pending_pid_);
    }
  }

  bool RequestStart() override {
    if (access_ != ServiceAccess::StartAndQuery || !RequestFinished()) return false;
    auto state = backend_->Probe(name_);
    if (!state || *state == kServiceRunning || *state == kServiceStartPending) return false;
    return Launch(true);
  }

  StopReply RequestStop(ServiceStatus& status) override {
    if (access_ != ServiceAccess::StopAndQuery) return StopReply::Failed;
    if (!RequestFinished()) {
      status = Pending();
      return StopReply::Refused;
    }
    auto state = backend_->Probe(name_);
    if (!state) return StopReply::Failed;
    if (*state == kServiceStopped) {
      status = {kServiceStopped, 0, 0};
      return StopReply::Refused;
    }
    if (!Launch(false)) return StopReply::Failed;
    status = {kServiceStopPending, check_point_, kPosixPendingWaitHintMs};
    return StopReply::Accepted;
  }

  bool QueryStatus(ServiceStatus& status) override {
    if (!RequestFinished()) {
      status = Pending();
      return true;
    }
    auto state = backend_->Probe(name_);
    if (!state) return false;
    if (*state == kServiceStartPending || *state == kServiceStopPending) {
      status = {*state, ++check_point_, kPosixPendingWaitHintMs};
    } else {
      status = {*state, 0, 0};
    }
    return true;
  }

 private:
  bool Launch(bool start) {
    pending_pid_ = Spawn(backend_->RequestCommand(name_, start), -1);
    if (pending_pid_ < 0) return false;
    pending_state_ = start ? kServiceStartPending : kServiceStopPending;
    check_point_ = 0;
    return true;
  }

  ServiceStatus Pending() { return {pending_state_, ++check_point_, kPosixPendingWaitHintMs}; }

  // Reaps the request script once it has ended.
  bool RequestFinished() {
    if (pending_pid_ < 0) return true;
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(pending_pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    pending_pid_ = -1;
    return true;
  }

  std::shared_ptr<Backend> backend_;
  std::string name_;
  ServiceAccess access_;
  pid_t pending_pid_ = -1;
  std::uint32_t pending_state_ = 0;
  std::uint32_t check_point_ = 0;
};

class PosixServiceManager final : public ServiceManager {
 public:
  explicit PosixServiceManager(std::shared_ptr<Backend> backend) : backend_(std::move(backend)) {}
  std::unique_ptr<Service> OpenServiceByName(const std::string& name,
                                             ServiceAccess access) override {
    if (!backend_->Exists(name)) return nullptr;
    return std::make_unique<PosixService>(backend_, name, access);
  }

 private:
  std::shared_ptr<Backend> backend_;
};

bool SystemdIsInit() {
  return ProcessComm("1") == "systemd";
}

class PosixServiceControl final : public ServiceControl {
 public:
  explicit PosixServiceControl(std::string init_dir = {}) : init_dir_(std::move(init_dir)) {}

  std::unique_ptr<ServiceManager> OpenManager(const std::string& machine) override {
    if (!machine.empty()) return nullptr;  // only the local machine is reachable
    std::shared_ptr<Backend> backend;
    if (!init_dir_.empty()) {
      backend = std::make_shared<InitScriptBackend>(init_dir_);
    } else if (SystemdIsInit()) {
      backend = std::make_shared<SystemdBackend>();
    } else {
      backend = std::make_shared<InitScriptBackend>("/etc/init.d");
    }
    return std::make_unique<PosixServiceManager>(std::move(backend));
  }

 private:
  std::string init_dir_;
};

}  // namespace

std::unique_ptr<ServiceControl> MakeInitScriptServiceControl(const std::string& init_dir) {
  return std::make_unique<PosixServiceControl>(init_dir);
}

ServiceControl& PlatformServiceControl() {
  static PosixServiceControl control;
  return control;
}

}  // namespace updater
