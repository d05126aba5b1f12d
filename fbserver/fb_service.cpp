#include "fbserver/fb_service.h"

#include <algorithm>
#include <exception>

#include "messages/message_text.h"
#include "seams/application_title.h"
#include "sys/error.h"
#include "sys/progress_pause.h"

namespace updater {

namespace {

using std::chrono::milliseconds;

// Polls while the service is on its way, one wait hint after another, until it reaches
// `target`, a query fails, the check point falls back, or the pending limit runs out.
void WaitWhilePending(const Facilities& f, Service& service, ServiceStatus& status,
                      std::uint32_t target, const std::string& text) {
  Clock& clock = f.clock;
  // How long it takes is up to the service: seconds counted, no total.
  ProgressStep step(f.progress, text, ProgressUnit::Seconds);
  const Clock::TimePoint started = clock.Now();
  milliseconds slept{0};
  while (status.state != target) {
    // Scaled test clocks sleep less than asked, so count what was asked as well.
    const milliseconds elapsed =
        std::max(slept, std::chrono::duration_cast<milliseconds>(clock.Now() - started));
    if (elapsed >= kServicePendingLimit) break;
    const std::uint32_t check_point = status.check_point;
    const milliseconds pause = std::min(std::max(milliseconds(status.wait_hint), kServicePollFloor),
                                        kServicePendingLimit - elapsed);
    clock.Sleep(pause);
    slept += pause;
    step.Set(static_cast<std::uint64_t>((elapsed + pause).count() / 1000));
    ServiceStatus next;
    if (!service.QueryStatus(next)) break;
    status = next;
    if (status.check_point < check_point) break;
  }
}

enum class Request { Start, Stop };

bool ChangeServiceAndWait(const Facilities& f, const std::string& machine, const std::string& name,
                          Request request) {
  const std::uint32_t target = request == Request::Start ? kServiceRunning : kServiceStopped;
  // 0: no state reported yet, which counts as a failure for both requests.
  std::uint32_t state = 0;
  auto manager = f.service_control.OpenManager(machine);
  if (manager == nullptr) return false;
  auto service = manager->OpenServiceByName(
      name, request == Request::Start ? ServiceAccess::StartAndQuery : ServiceAccess::StopAndQuery);
  const std::string text = GetMessageText(
      request == Request::Start ? msg::uUpdate_UpdateProgramm_26 : msg::uUpdate_UpdateProgramm_21);
  PauseShowingProgress(f.clock, f.progress, text, kServiceRequestDelay);
  if (service != nullptr) {
    ServiceStatus status;
    bool wait = false;
    if (request == Request::Start) {
      wait = service->RequestStart() && service->QueryStatus(status);
    } else {
      const StopReply reply = service->RequestStop(status);
      if (reply != StopReply::Failed) state = status.state;
      wait = reply == StopReply::Accepted && service->QueryStatus(status);
    }
    if (wait) {
      WaitWhilePending(f, *service, status, target, text);
      state = status.state;
    }
  }
  return state == target;
}

// Debug privilege held only for the termination.
class DebugPrivilegeScope {
 public:
  explicit DebugPrivilegeScope(ServerProcesses& processes) : processes_(processes) {
    processes_.SetDebugPrivilege(true);
  }
  ~DebugPrivilegeScope() { processes_.SetDebugPrivilege(false); }
  DebugPrivilegeScope(const DebugPrivilegeScope&) = delete;
  DebugPrivilegeScope& operator=(const DebugPrivilegeScope&) = delete;

 private:
  ServerProcesses& processes_;
};

}  // namespace

std::string ProcessesNotStoppedText(const std::string& exe_name) {
  return "Unable to stop the process(es):" + exe_name +
         " classic server FireBird. \rDo stop by hand and then try again.";
}

bool StartServiceAndWait(const Facilities& f, const std::string& machine,
                         const std::string& service) {
  return ChangeServiceAndWait(f, machine, service, Request::Start);
}

bool StopServiceAndWait(const Facilities& f, const std::string& machine,
                        const std::string& service) {
  return ChangeServiceAndWait(f, machine, service, Request::Stop);
}

std::uint32_t GetServiceState(ServiceControl& control, const std::string& machine,
                              const std::string& service) {
  std::uint32_t state = kServiceStopped;
  auto manager = control.OpenManager(machine);
  if (manager == nullptr) return state;
  if (auto opened = manager->OpenServiceByName(service, ServiceAccess::Query)) {
    ServiceStatus status;
    if (opened->QueryStatus(status)) state = status.state;
  }
  return state;
}

bool IsFBServiceRunning(ServiceControl& control) {
  for (const char* name : {kGuardianServiceName, kDefaultServerServiceName, kOwnServiceName}) {
    if (GetServiceState(control, "", name) == kServiceRunning) return true;
  }
  return false;
}

void StopFBService(const Facilities& f, Operator& op, TFBServParams params, bool show_result) {
  if (!StopServiceAndWait(f, "", params.ServiceName)) throw Error(kUnableToStopText);
  std::int32_t killed;
  {
    ServerProcesses& processes = f.server_processes;
    DebugPrivilegeScope privilege(processes);
    killed = processes.KillProcessByName(params.ServerExeName);
  }
  if (killed == 0) throw Error(ProcessesNotStoppedText(params.ServerExeName));
  if (GetServiceState(f.service_control, "", params.ServiceName) != kServiceStopped)
    throw Error(kNotStoppedText);
  PauseShowingProgress(f.clock, f.progress, GetMessageText(msg::uProgress_ServiceSettle),
                       kServiceSettleDelay);
  if (show_result) op.ShowMessage(DialogKind::Information, kApplicationTitle, kStoppedBoxText);
}

void StartFBService(const Facilities& f, Operator& op, TFBServParams params, bool show_result) {
  try {
    StopFBService(f, op, params, false);
  } catch (const std::exception&) {
    // A service that will not stop may still start; the start decides.
  }
  if (!StartServiceAndWait(f, "", params.ServiceName)) throw Error(kUnableToStartText);
  if (!IsFBServiceRunning(f.service_control)) throw Error(kNotRunningText);
  PauseShowingProgress(f.clock, f.progress, GetMessageText(msg::uProgress_ServiceSettle),
                       kServiceSettleDelay);
  if (show_result) op.ShowMessage(DialogKind::Information, kApplicationTitle, kRunningBoxText);
}

}  // namespace updater
