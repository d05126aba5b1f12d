#include "fbserver/service_manager_posix.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "fbserver/fb_service.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

// A service whose running state is a marker file beside its script.
constexpr const char* kMarkerScript = R"(#!/bin/sh
marker="$0.running"
case "$1" in
  start) sleep 0.2; touch "$marker" ;;
  stop) sleep 0.2; rm -f "$marker" ;;
  status) [ -f "$marker" ] && exit 0; exit 3 ;;
esac
)";

constexpr const char* kHangingStart = R"(#!/bin/sh
case "$1" in
  start) echo $$ > "$0.pid"; exec sleep 600 ;;
  status) exit 3 ;;
esac
)";

constexpr const char* kFailingStart = R"(#!/bin/sh
case "$1" in
  start) exit 1 ;;
  status) exit 3 ;;
esac
)";

class InitScriptServiceTest : public ::testing::Test {
 protected:
  InitScriptServiceTest() : control(MakeInitScriptServiceControl(dir.path())), clock(100) {}

  void Script(const std::string& name, const char* text, mode_t mode = 0755) {
    const std::string file = dir.Write(name, text);
    ::chmod(file.c_str(), mode);
  }

  testing::TempFolder dir;
  std::unique_ptr<ServiceControl> control;
  testing::ScaledClock clock;
  Facilities facilities{clock, SilentProgress(), *control, SystemServerProcesses()};
};

TEST_F(InitScriptServiceTest, RunningStartScriptReportsStartPendingWithRisingCheckPoint) {
  Script("svc", kMarkerScript);
  auto manager = control->OpenManager("");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(control->OpenManager("otherhost"), nullptr);
  auto service = manager->OpenServiceByName("svc", ServiceAccess::StartAndQuery);
  ASSERT_NE(service, nullptr);

  ASSERT_TRUE(service->RequestStart());
  ServiceStatus first, second;
  ASSERT_TRUE(service->QueryStatus(first));
  ASSERT_TRUE(service->QueryStatus(second));
  EXPECT_EQ(first.state, kServiceStartPending);
  EXPECT_EQ(second.state, kServiceStartPending);
  EXPECT_GT(second.check_point, first.check_point);
  EXPECT_EQ(first.wait_hint, kPosixPendingWaitHintMs);
  EXPECT_FALSE(service->RequestStart());  // a start is already under way

  ServiceStatus status;
  for (int i = 0; i < 100 && status.state != kServiceRunning; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(service->QueryStatus(status));
  }
  EXPECT_EQ(status.state, kServiceRunning);
  EXPECT_EQ(status.check_point, 0u);
  EXPECT_FALSE(service->RequestStart());  // already running

  ServiceStatus refused;
  EXPECT_EQ(service->RequestStop(refused), StopReply::Failed);  // opened without the stop right
}

TEST_F(InitScriptServiceTest, StartAndStopThroughTheServiceRoutines) {
  Script("svc", kMarkerScript);
  EXPECT_EQ(GetServiceState(*control, "", "svc"), kServiceStopped);
  EXPECT_TRUE(StartServiceAndWait(facilities, "", "svc"));
  EXPECT_EQ(GetServiceState(*control, "", "svc"), kServiceRunning);
  EXPECT_TRUE(StopServiceAndWait(facilities, "", "svc"));
  EXPECT_EQ(GetServiceState(*control, "", "svc"), kServiceStopped);
  // Stopping a stopped service: refused, with the stopped state.
  EXPECT_TRUE(StopServiceAndWait(facilities, "", "svc"));
  EXPECT_EQ(clock.Sleeps().front(), kServiceRequestDelay);
}

TEST_F(InitScriptServiceTest, HangingStartScriptIsBoundedAndEnded) {
  Script("hang", kHangingStart);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(StartServiceAndWait(facilities, "", "hang"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));

  std::ifstream pid_file(dir.path() + "/hang.pid");
  pid_t pid = 0;
  ASSERT_TRUE(pid_file >> pid);
  errno = 0;
  EXPECT_EQ(::kill(pid, 0), -1) << "the hung start script is still there";
  EXPECT_EQ(errno, ESRCH);
}

TEST_F(InitScriptServiceTest, FailingStartScriptFailsTheStart) {
  Script("broken", kFailingStart);
  testing::RecordingOperator op;
  TFBServParams params;
  params.ServiceName = "broken";
  params.ServerExeName = "NO-SUCH-PROGRAM.EXE";
  try {
    StartFBService(facilities, op, params, true);
    ADD_FAILURE() << "the start did not fail";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), kUnableToStartText);
  }
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(InitScriptServiceTest, MissingOrUnusableScriptsAreNoServices) {
  Script("plain", kMarkerScript, 0644);  // not executable
  auto manager = control->OpenManager("");
  ASSERT_NE(manager, nullptr);
  for (const char* name : {"absent", "plain", "", ".", "..", "../svc", "-svc"}) {
    EXPECT_EQ(manager->OpenServiceByName(name, ServiceAccess::Query), nullptr) << name;
    EXPECT_EQ(GetServiceState(*control, "", name), kServiceStopped) << name;
  }
  EXPECT_FALSE(StopServiceAndWait(facilities, "", "absent"));
}

}  // namespace
}  // namespace updater
