#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "seams/operator.h"

namespace updater {

// Fixed waits around a service request: before the request, and after the result checks.
inline constexpr std::chrono::milliseconds kServiceRequestDelay{30000};
inline constexpr std::chrono::milliseconds kServiceSettleDelay{15000};
// A service that stays pending (a hung start script, a check point that never moves)
// is given up on after this long; the routine then reports failure.
inline constexpr std::chrono::milliseconds kServicePendingLimit{120000};
// Floor for one poll while pending, so a wait hint of 0 does not spin on the query.
inline constexpr std::chrono::milliseconds kServicePollFloor{100};

inline constexpr const char* kUnableToStopText =
    "Unable to stop the server FireBird. Try restarting your computer and rerun the "
    "application.";
inline constexpr const char* kNotStoppedText = "FireBird server service is not stopped!";
inline constexpr const char* kUnableToStartText =
    "Unable to start the server FireBird. Try restarting your computer and rerun the "
    "application.";
inline constexpr const char* kNotRunningText = "FireBird server service is not running!";
inline constexpr const char* kStoppedBoxText = "FireBird Server service is stopped.";
inline constexpr const char* kRunningBoxText = "FireBird server service is running.";
std::string ProcessesNotStoppedText(const std::string& exe_name);

// Service manager routines; an empty machine name is the local machine. They go through the
// service control of `f`, wait through its clock and show their waits on its progress.
bool StartServiceAndWait(const Facilities& f, const std::string& machine,
                         const std::string& service);
// False also when no state was ever reported (manager or service did not open, or the
// stop request failed without a status).
bool StopServiceAndWait(const Facilities& f, const std::string& machine,
                        const std::string& service);
// 1 (stopped) when the service cannot be asked, a service that does not exist included.
std::uint32_t GetServiceState(ServiceControl& control, const std::string& machine,
                              const std::string& service);
// Whether one of the known Firebird services runs.
bool IsFBServiceRunning(ServiceControl& control);

// Stop the server's service and every process of its executable; raises an Error on failure.
// `show_result` confirms success in a message box.
void StopFBService(const Facilities& f, Operator& op, TFBServParams params, bool show_result);
// Stop (errors ignored), then start the server's service; raises an Error on failure.
void StartFBService(const Facilities& f, Operator& op, TFBServParams params, bool show_result);

}  // namespace updater
