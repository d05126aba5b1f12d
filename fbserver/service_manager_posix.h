#pragma once

#include <memory>
#include <string>

#include "fbserver/service_manager.h"

namespace updater {

// Service control over SysV scripts in `init_dir` (NAME start|stop|status), whatever
// runs as PID 1. The platform control uses /etc/init.d unless systemd is PID 1.
std::unique_ptr<ServiceControl> MakeInitScriptServiceControl(const std::string& init_dir);

// While a request script runs, the service reports the pending state with a check point
// that rises on every query and this wait hint.
inline constexpr unsigned kPosixPendingWaitHintMs = 1000;

}  // namespace updater
