#pragma once

#include <cstdint>
#include <string>

namespace updater {

// The process routines the service stop needs; tests replace them so that no real
// process is terminated.
class ServerProcesses {
 public:
  virtual ~ServerProcesses() = default;
  virtual bool SetDebugPrivilege(bool enable) = 0;
  // -1 when no process matched, else the last termination's result (0 failed).
  virtual std::int32_t KillProcessByName(const std::string& exe_name) = 0;
};

// The machine's own: real terminations.
ServerProcesses& SystemServerProcesses();

}  // namespace updater
