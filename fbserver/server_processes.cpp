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

}  // namespace

ServerProcesses& SystemServerProcesses() {
  static SystemProcesses system;
  return system;
}

}  // namespace updater
