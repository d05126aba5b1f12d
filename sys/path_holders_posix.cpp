#include "sys/path_holders.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "sys/posix_util.h"

namespace updater {

namespace {

bool IsDigits(const char* s) {
  if (*s == '\0') return false;
  for (; *s != '\0'; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) == nullptr ? std::string() : std::string(buffer);
}

bool Under(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

std::string ProgramName(const std::string& proc) {
  std::ifstream in(proc + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

}  // namespace

bool HoldersCanBeListed() {
  return true;
}

std::vector<PathHolder> HoldersUnder(const std::string& folder) {
  std::vector<PathHolder> holders;
  const std::string real = RealPath(folder);
  if (real.empty()) return holders;
  const std::string self = std::to_string(::getpid());
  DirReader proc("/proc");
  if (!proc.ok()) return holders;
  while (const dirent* p = proc.Next()) {
    if (!IsDigits(p->d_name) || self == p->d_name) continue;
    const std::string base = std::string("/proc/") + p->d_name;
    std::vector<std::string> held;
    for (const char* link : {"/cwd", "/exe"}) held.push_back(ReadLink(base + link));
    DirReader fds((base + "/fd").c_str());
    while (fds.ok()) {
      const dirent* f = fds.Next();
      if (f == nullptr) break;
      if (IsDigits(f->d_name)) held.push_back(ReadLink(base + "/fd/" + f->d_name));
    }
    for (const std::string& path : held) {
      if (Under(path, real)) holders.push_back({std::stol(p->d_name), ProgramName(base), path});
    }
  }
  return holders;
}

}  // namespace updater
