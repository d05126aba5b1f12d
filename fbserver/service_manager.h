#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace updater {

// Service states as the Windows service manager numbers them.
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;

struct ServiceStatus {
  std::uint32_t state = 0;
  std::uint32_t check_point = 0;  // raised by the service while a start or stop progresses
  std::uint32_t wait_hint = 0;    // milliseconds the service expects its next step to take
};

// The rights a service is opened with: each request right comes with the status query.
enum class ServiceAccess { StartAndQuery, StopAndQuery, Query };

enum class StopReply {
  Accepted,  // the stop is under way; the status says how far
  Refused,   // refused (for instance not running); the status still holds the current state
  Failed,    // refused without a status
};

// An open service; the handle is closed when the object goes.
class Service {
 public:
  virtual ~Service() = default;
  virtual bool RequestStart() = 0;
  virtual StopReply RequestStop(ServiceStatus& status) = 0;
  virtual bool QueryStatus(ServiceStatus& status) = 0;
};

// An open connection to a machine's service manager; closed when the object goes.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // nullptr when the service does not exist or does not open with that access. (Not named
  // OpenService: windows.h makes that a macro.)
  virtual std::unique_ptr<Service> OpenServiceByName(const std::string& name,
                                                     ServiceAccess access) = 0;
};

// Opens service managers; the seam that tests replace.
class ServiceControl {
 public:
  virtual ~ServiceControl() = default;
  // An empty machine name is the local machine; nullptr when the manager does not open.
  virtual std::unique_ptr<ServiceManager> OpenManager(const std::string& machine) = 0;
};

// The platform's service control (systemd or SysV scripts on POSIX).
ServiceControl& PlatformServiceControl();

}  // namespace updater
