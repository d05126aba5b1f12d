#include "fbserver/server_processes.h"

#include "sys/processes.h"

namespace updater {

namespace {

class SystemProcesses final : public ServerProcesses {
 public:
  bool SetDebugPrivilege(bool enable) override { return updater::SetDebugPrivilege(enable); }
  std::int32_t KillProcessByName(const std::string& exe_name) override {
    return updater::KillProcessByName(exe_name);
  }
};

ServerProcesses* current_processes = nullptr;

}  // namespace

ServerProcesses& CurrentServerProcesses() {
  static SystemProcesses system;
  if (current_processes != nullptr) return *current_processes;
  return system;
}

void SetCurrentServerProcesses(ServerProcesses* processes) {
  current_processes = processes;
}

}  // namespace updater
