#include <memory>
#include <type_traits>

#include "fbserver/service_manager.h"
#include "sys/utf16_win.h"

namespace updater {

namespace {

struct CloseService {
  void operator()(SC_HANDLE handle) const { ::CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, CloseService>;

void CopyStatus(const SERVICE_STATUS& from, ServiceStatus& to) {
  to.state = from.dwCurrentState;
  to.check_point = from.dwCheckPoint;
  to.wait_hint = from.dwWaitHint;
}

class WinService final : public Service {
 public:
  explicit WinService(SC_HANDLE handle) : handle_(handle) {}

  bool RequestStart() override { return ::StartServiceW(handle_.get(), 0, nullptr) != FALSE; }

  StopReply RequestStop(ServiceStatus& status) override {
    SERVICE_STATUS reply{};
    if (::ControlService(handle_.get(), SERVICE_CONTROL_STOP, &reply)) {
      CopyStatus(reply, status);
      return StopReply::Accepted;
    }
    // For these refusals the manager still fills in the service's current status.
    switch (::GetLastError()) {
      case ERROR_SERVICE_NOT_ACTIVE:
      case ERROR_INVALID_SERVICE_CONTROL:
      case ERROR_SERVICE_CANNOT_ACCEPT_CTRL:
        CopyStatus(reply, status);
        return StopReply::Refused;
      default:
        return StopReply::Failed;
    }
  }

  bool QueryStatus(ServiceStatus& status) override {
    SERVICE_STATUS reply{};
    if (!::QueryServiceStatus(handle_.get(), &reply)) return false;
    CopyStatus(reply, status);
    return true;
  }

 private:
  ServiceHandle handle_;
};

class WinServiceManager final : public ServiceManager {
 public:
  explicit WinServiceManager(SC_HANDLE handle) : handle_(handle) {}

  std::unique_ptr<Service> OpenServiceByName(const std::string& name,
                                             ServiceAccess access) override {
    DWORD rights = SERVICE_QUERY_STATUS;
    if (access == ServiceAccess::StartAndQuery) rights |= SERVICE_START;
    if (access == ServiceAccess::StopAndQuery) rights |= SERVICE_STOP;
    SC_HANDLE service = ::OpenServiceW(handle_.get(), win::Utf16(name).c_str(), rights);
    if (service == nullptr) return nullptr;
    return std::make_unique<WinService>(service);
  }

 private:
  ServiceHandle handle_;
};

class WinServiceControl final : public ServiceControl {
 public:
  std::unique_ptr<ServiceManager> OpenManager(const std::string& machine) override {
    const std::wstring wide = win::Utf16(machine);
    SC_HANDLE manager =
        ::OpenSCManagerW(machine.empty() ? nullptr : wide.c_str(), nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return nullptr;
    return std::make_unique<WinServiceManager>(manager);
  }
};

}  // namespace

ServiceControl& PlatformServiceControl() {
  static WinServiceControl control;
  return control;
}

}  // namespace updater
