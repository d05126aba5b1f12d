#pragma once

#include "fbserver/server_processes.h"
#include "fbserver/service_manager.h"
#include "seams/progress.h"
#include "sys/clock.h"
#include "sys/stop_request.h"

namespace updater {

// What the engine waits, reports and acts through. The front end (or a test) builds one and
// hands it down, so the same run logic works against the real machine or against fakes.
struct Facilities {
  Clock& clock;
  Progress& progress;
  ServiceControl& service_control;
  ServerProcesses& server_processes;
  // Where a request to stop arrives; none: the command is never asked to stop.
  StopRequest* stop = nullptr;
};

}  // namespace updater
