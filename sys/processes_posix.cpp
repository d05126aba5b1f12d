#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "sys/posix_util.h"
#include "sys/process_names.h"
#include "sys/processes.h"

namespace updater {

namespace {

// The kernel keeps at most 15 characters of a process name.
constexpr std::size_t kCommLength = 15;

ProcessNames NamesOf(const std::string& pid) {
  const std::string base = "/proc/" + pid + "/";
  ProcessNames names;
  names.comm = ProcessComm(pid);
  names.exe_path = ReadLink(base + "exe");
  std::string cmdline = ReadFileText(base + "cmdline").value_or("");
  names.argv0 = cmdline.substr(0, cmdline.find('\0'));
  return names;
}

}  // namespace

std::int32_t KillProcessByName(const std::string& exe_name) {
  std::int32_t result = -1;
  const pid_t self = ::getpid();
  DirReader proc("/proc");
  if (!proc.ok()) return result;
  while (const dirent* entry = proc.Next()) {
    char* end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || pid <= 0 || pid == self) continue;
    if (!NamesMatch(NamesOf(entry->d_name), exe_name, kCommLength)) continue;
    result = ::kill(static_cast<pid_t>(pid), SIGKILL) == 0 ? 1 : 0;
  }
  return result;
}

bool SetDebugPrivilege(bool /*enable*/) {
  if (::geteuid() == 0) return true;
  // CAP_KILL (bit 5) in the effective set lets a process signal anyone.
  std::istringstream status(ReadFileText("/proc/self/status").value_or(""));
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) == 0) {
      unsigned long long caps = std::strtoull(line.c_str() + 7, nullptr, 16);
      return (caps & (1ULL << 5)) != 0;
    }
  }
  return false;
}

}  // namespace updater
