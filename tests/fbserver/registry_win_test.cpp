#include <gtest/gtest.h>

#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "fbserver/fb_service.h"
#include "fbserver/registry.h"
#include "fbserver/server_processes.h"
#include "fbserver/service_manager.h"
#include "seams/progress.h"
#include "sys/clock.h"
#include "sys/executable_folder.h"
#include "sys/path.h"
#include "sys/text.h"
#include "sys/utf16_win.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

// Keys written through the system's own calls in the 64-bit view, removed at the end.
class ScopedKey {
 public:
  explicit ScopedKey(const std::string& path) : path_(win::Utf16(path)) {
    created_ = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0,
                                 KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key_,
                                 nullptr) == ERROR_SUCCESS;
  }
  ~ScopedKey() {
    if (!created_) return;
    ::RegCloseKey(key_);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_WOW64_64KEY, 0);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  bool created() const { return created_; }
  void Set(const std::string& name, const std::string& value, DWORD type = REG_SZ) {
    const std::wstring wide = win::Utf16(value);
    ASSERT_EQ(::RegSetValueExW(key_, win::Utf16(name).c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(wide.c_str()),
                               static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
  bool created_ = false;
};

TEST(WindowsRegistryTest, FindsTheOwnServerThroughTheMachinesRegistry) {
  testing::TempFolder folder;
  const std::string root = IncludeTrailingSeparator(folder / "Firebird Сервер");
  ASSERT_TRUE(std::filesystem::create_directories(FileSystemPath(root + "bin")));
  ScopedKey own(std::string(kOwnServiceKey).substr(1));
  ASSERT_TRUE(own.created());
  own.Set("ImagePath", root + "bin\\fb_inet_srvdnvl.exe -p 3052");

  TFBServParams params;
  GetFBServParams(params);
  EXPECT_EQ(params.ServiceName, kOwnServiceName);
  EXPECT_EQ(params.FbRootDir, root);
  EXPECT_EQ(params.ConnectPrefix, "localhost/3052:");

  const auto registry = OpenLocalMachineRegistry();
  EXPECT_TRUE(registry->KeyExists(kOwnServiceKey));
  // Without regard to case, with or without the leading backslash.
  EXPECT_TRUE(registry->KeyExists(AsciiLower(std::string(kOwnServiceKey).substr(1))));
  EXPECT_FALSE(registry->KeyExists(std::string(kOwnServiceKey) + "\\Missing"));
  const auto key = registry->OpenKey(kOwnServiceKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadString("Missing"), "");
}

TEST(WindowsRegistryTest, ReadsKeysMadeWithTheSystemsRegTool) {
  const auto key = OpenLocalMachineRegistry()->OpenKey("SOFTWARE\\DunVeld Updater Test\\Instance");
  if (key == nullptr) GTEST_SKIP() << "scripts/test-windows makes this key with `wine reg add`";
  EXPECT_EQ(key->ReadString("DefaultInstance"), "C:\\Program Files\\Firebird\\Firebird_3_0");
  EXPECT_EQ(key->ReadString("Unicode"),
            "\xC3\x9C"
            "berpr\xC3\xBC"
            "fung");
}

TEST(WindowsServiceManagerTest, OpensAndQueriesTheSystemsServices) {
  auto manager = PlatformServiceControl().OpenManager("");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(manager->OpenServiceByName("DunVeldNoSuchService", ServiceAccess::Query), nullptr);
  // A service that every Windows (and Wine) runs.
  auto service = manager->OpenServiceByName("PlugPlay", ServiceAccess::Query);
  ASSERT_NE(service, nullptr);
  ServiceStatus status;
  ASSERT_TRUE(service->QueryStatus(status));
  // A fresh Wine prefix may not have started it: any state the manager knows will do.
  EXPECT_GE(status.state, kServiceStopped);
  EXPECT_LE(status.state, 7u);
}

// Our test service, installed with the system's own calls for one test and removed after it.
class ScopedTestService {
 public:
  static constexpr const wchar_t* kName = L"DunVeldUpdaterTestService";
  ScopedTestService() : manager_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    if (manager_ == nullptr) return;
    const std::wstring command =
        L"\"" + win::Utf16(JoinPath(ExecutableFolder(), "updater_test_service.exe")) + L"\"";
    service_ = ::CreateServiceW(
        manager_, kName, kName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
        SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  ~ScopedTestService() {
    if (service_ != nullptr) {
      SERVICE_STATUS status{};
      ::ControlService(service_, SERVICE_CONTROL_STOP, &status);
      ::DeleteService(service_);
      ::CloseServiceHandle(service_);
    }
    if (manager_ != nullptr) ::CloseServiceHandle(manager_);
  }
  ScopedTestService(const ScopedTestService&) = delete;
  ScopedTestService& operator=(const ScopedTestService&) = delete;

  bool installed() const { return service_ != nullptr; }

 private:
  SC_HANDLE manager_;
  SC_HANDLE service_ = nullptr;
};

// The run's request-and-wait routines through the system's manager: the service reports
// start and stop pending with rising check points before it gets there.
TEST(WindowsServiceManagerTest, StartsAndStopsAServiceAndWaitsForIt) {
  ScopedTestService installed;
  if (!installed.installed()) GTEST_SKIP() << "installing a service needs an administrator";
  PauseScalingClock clock(0.01);
  const Facilities facilities{clock, SilentProgress(), PlatformServiceControl(),
                              SystemServerProcesses()};
  ServiceControl& control = PlatformServiceControl();
  const std::string name = win::Utf8(ScopedTestService::kName);
  EXPECT_EQ(GetServiceState(control, "", name), kServiceStopped);
  ASSERT_TRUE(StartServiceAndWait(facilities, "", name));
  EXPECT_EQ(GetServiceState(control, "", name), kServiceRunning);
  EXPECT_FALSE(StartServiceAndWait(facilities, "", name)) << "a running service starts again";
  ASSERT_TRUE(StopServiceAndWait(facilities, "", name));
  EXPECT_EQ(GetServiceState(control, "", name), kServiceStopped);
}

}  // namespace
}  // namespace updater
