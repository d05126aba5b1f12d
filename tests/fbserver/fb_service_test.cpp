#include "fbserver/fb_service.h"

#include "seams/application_title.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fbserver/server_processes.h"
#include "fbserver/service_manager.h"
#include "messages/ldm.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "tests/fbserver/fake_service_control.h"
#include "tests/support/error_of.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/recording_progress.h"

namespace updater {
namespace {

using testing::ErrorOf;

using std::chrono::milliseconds;
using Strings = std::vector<std::string>;

constexpr const char* kOwn = "KorvaneFireXBirdServer";

TFBServParams OwnServer() {
  TFBServParams p;
  p.ServiceName = kOwn;
  p.ServerExeName = "FBSRVDNVL.EXE";
  p.ServerType = "SUPER";
  return p;
}

std::vector<milliseconds> Ms(std::initializer_list<int> values) {
  std::vector<milliseconds> out;
  for (int v : values) out.push_back(milliseconds(v));
  return out;
}

class FbServiceTest : public ::testing::Test {
 protected:
  FbServiceTest() : fake(clock) {}

  void Running(const std::string& name) { fake.services[name].status = {kServiceRunning, 0, 0}; }
  void Stopped(const std::string& name) { fake.services[name].status = {kServiceStopped, 0, 0}; }

  void TearDown() override { EXPECT_EQ(fake.open_handles, 0) << "a handle was left open"; }

  testing::FakeClock clock;
  testing::FakeServiceControl fake;
  testing::RecordingOperator op;
  Facilities facilities{clock, SilentProgress(), fake, fake};
};

TEST_F(FbServiceTest, StopWaitsBeforeTheRequestAndAfterTheCheck) {
  Running(kOwn);
  StopFBService(facilities, op, OwnServer(), true);

  EXPECT_EQ(fake.events,
            (Strings{"open-manager  @0", "open KorvaneFireXBirdServer @0",
                     "stop KorvaneFireXBirdServer @30000", "query KorvaneFireXBirdServer @30000",
                     "debug-on @30000", "kill FBSRVDNVL.EXE @30000", "debug-off @30000",
                     "open-manager  @30000", "open KorvaneFireXBirdServer @30000",
                     "query KorvaneFireXBirdServer @30000"}));
  EXPECT_EQ(clock.Sleeps(), Ms({30000, 15000}));
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_EQ(op.boxes[0].text, "FireBird Server service is stopped.");
  EXPECT_EQ(op.boxes[0].kind, DialogKind::Information);
  EXPECT_EQ(op.boxes[0].caption, kApplicationTitle);
}

TEST_F(FbServiceTest, StopOfAStoppedServiceSucceedsAfterBothWaits) {
  Stopped(kOwn);
  StopFBService(facilities, op, OwnServer(), false);
  EXPECT_EQ(clock.TotalSlept(), milliseconds(45000));
  EXPECT_TRUE(op.boxes.empty());
  // The refusal decides: no status query before the termination.
  EXPECT_EQ(fake.Names()[3], "debug-on");
}

// Watched, the fixed waits count their seconds and the pending poll its elapsed time; the
// clock sees the same total wait as unwatched.
TEST_F(FbServiceTest, StopReportsItsWaitsAsSteps) {
  Running(kOwn);
  fake.services[kOwn].queries = {
      {kServiceStopPending, 1, 1500}, {kServiceStopPending, 2, 900}, {kServiceStopped, 0, 0}};
  ChangeLanguage(3);
  testing::RecordingProgress progress;
  StopFBService({clock, progress, fake, fake}, op, OwnServer(), false);

  EXPECT_EQ(clock.TotalSlept(), milliseconds(30000 + 1500 + 900 + 15000));
  ASSERT_EQ(progress.steps.size(), 3u);
  EXPECT_FALSE(progress.nested);
  const auto& request = progress.steps[0];
  EXPECT_EQ(request.text, "FireBird service is being stopped.");
  EXPECT_EQ(request.total, 30u);
  EXPECT_EQ(request.done.size(), 30u);
  EXPECT_EQ(progress.steps[1].text, request.text);
  EXPECT_EQ(progress.steps[1].done, (std::vector<std::uint64_t>{1, 2}));  // no total
  EXPECT_EQ(progress.steps[2].text, "Waiting for the Firebird server to settle");
  EXPECT_EQ(progress.steps[2].done.back(), 15u);
  for (const auto& step : progress.steps) EXPECT_TRUE(step.ended) << step.text;
}

TEST_F(FbServiceTest, StopFollowsTheCheckPointWithTheWaitHints) {
  Running(kOwn);
  fake.services[kOwn].queries = {
      {kServiceStopPending, 1, 700}, {kServiceStopPending, 2, 900}, {kServiceStopped, 0, 0}};
  StopFBService(facilities, op, OwnServer(), false);
  EXPECT_EQ(clock.Sleeps(), Ms({30000, 700, 900, 15000}));
}

TEST_F(FbServiceTest, StopThatNeverEndsIsFailedByTheBound) {
  Running(kOwn);
  fake.services[kOwn].queries = {{kServiceStopPending, 5, 2000}};
  EXPECT_EQ(ErrorOf([&] { StopFBService(facilities, op, OwnServer(), true); }), kUnableToStopText);

  const auto& sleeps = clock.Sleeps();
  ASSERT_GT(sleeps.size(), 2u);
  EXPECT_EQ(sleeps[0], milliseconds(30000));
  EXPECT_EQ(sleeps[1], milliseconds(2000));
  EXPECT_EQ(clock.TotalSlept() - sleeps[0], kServicePendingLimit);
  // Nothing is terminated after a failed stop.
  for (const std::string& e : fake.Names()) EXPECT_NE(e.rfind("kill", 0), 0u) << e;
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(FbServiceTest, ZeroWaitHintDoesNotSpin) {
  Running(kOwn);
  fake.services[kOwn].queries = {{kServiceStopPending, 0, 0}};
  EXPECT_FALSE(StopServiceAndWait(facilities, "", kOwn));
  EXPECT_EQ(clock.TotalSlept(), kServiceRequestDelay + kServicePendingLimit);
  EXPECT_EQ(clock.Sleeps()[1], kServicePollFloor);
}

TEST_F(FbServiceTest, FallingCheckPointEndsTheWait) {
  Running(kOwn);
  fake.services[kOwn].queries = {{kServiceStopPending, 4, 100}, {kServiceStopPending, 3, 100}};
  EXPECT_FALSE(StopServiceAndWait(facilities, "", kOwn));
  EXPECT_EQ(clock.Sleeps(), Ms({30000, 100}));
}

TEST_F(FbServiceTest, FailedQueryEndsTheWait) {
  Stopped(kOwn);
  fake.services[kOwn].query_fails = true;
  EXPECT_FALSE(StartServiceAndWait(facilities, "", kOwn));  // started, but no status to wait on
  EXPECT_EQ(clock.Sleeps(), Ms({30000}));

  Stopped(kOwn);
  fake.services[kOwn].query_fails = false;
  fake.services[kOwn].queries = {{kServiceStartPending, 1, 400}, {kServiceStartPending, 2, 400}};
  fake.services[kOwn].queries_until_failure = 2;
  EXPECT_FALSE(StartServiceAndWait(facilities, "", kOwn));
  EXPECT_EQ(clock.Sleeps(), Ms({30000, 30000, 400, 400}));
}

TEST_F(FbServiceTest, ProcessTerminationFailureNamesTheExecutable) {
  Running(kOwn);
  fake.kill_result = 0;
  EXPECT_EQ(ErrorOf([&] { StopFBService(facilities, op, OwnServer(), true); }),
            "Unable to stop the process(es):FBSRVDNVL.EXE classic server FireBird. \rDo stop by "
            "hand and then try again.");
  const Strings names = fake.Names();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ((Strings{names[names.size() - 3], names[names.size() - 2], names.back()}),
            (Strings{"debug-on", "kill FBSRVDNVL.EXE", "debug-off"}));
  EXPECT_EQ(clock.Sleeps(), Ms({30000}));
}

TEST_F(FbServiceTest, TerminationThatSucceededCountsAsSuccess) {
  Running(kOwn);
  fake.kill_result = 1;
  EXPECT_NO_THROW(StopFBService(facilities, op, OwnServer(), false));
}

TEST_F(FbServiceTest, StateAfterTheStopMustBeStopped) {
  Running(kOwn);
  // The wait sees it stopped; a moment later something has started it again.
  fake.services[kOwn].queries = {{kServiceStopped, 0, 0}, {kServiceRunning, 0, 0}};
  EXPECT_EQ(ErrorOf([&] { StopFBService(facilities, op, OwnServer(), true); }), kNotStoppedText);
  EXPECT_EQ(clock.Sleeps(), Ms({30000}));
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(FbServiceTest, StopThatFailsWithoutAStatusFails) {
  Running(kOwn);
  fake.services[kOwn].stop_fails_without_status = true;
  EXPECT_EQ(ErrorOf([&] { StopFBService(facilities, op, OwnServer(), false); }), kUnableToStopText);
}

TEST_F(FbServiceTest, StartStopsFirstThenStartsWithNinetySecondsOfWaits) {
  Running(kOwn);
  StartFBService(facilities, op, OwnServer(), true);

  EXPECT_EQ(clock.Sleeps(), Ms({30000, 15000, 30000, 15000}));
  const Strings& e = fake.events;
  auto at = [&](const std::string& what) {
    for (std::size_t i = 0; i < e.size(); ++i) {
      if (e[i] == what) return static_cast<int>(i);
    }
    return -1;
  };
  EXPECT_NE(at("stop KorvaneFireXBirdServer @30000"), -1);
  EXPECT_NE(at("start KorvaneFireXBirdServer @75000"), -1);
  EXPECT_LT(at("stop KorvaneFireXBirdServer @30000"), at("kill FBSRVDNVL.EXE @30000"));
  EXPECT_LT(at("kill FBSRVDNVL.EXE @30000"), at("start KorvaneFireXBirdServer @75000"));
  // Confirmation asks the known services in their fixed order, after the start.
  EXPECT_NE(at("open FirebirdGuardianDefaultInstance @75000"), -1);
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_EQ(op.boxes[0].text, "FireBird server service is running.");
}

TEST_F(FbServiceTest, StartIgnoresAFailedInnerStop) {
  Running(kOwn);
  fake.kill_result = 0;  // the inner stop raises; the start goes on
  EXPECT_NO_THROW(StartFBService(facilities, op, OwnServer(), false));
  EXPECT_EQ(GetServiceState(fake, "", kOwn), kServiceRunning);
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(FbServiceTest, StartIsConfirmedByAnotherKnownService) {
  Stopped(kOwn);
  Running("FirebirdServerDefaultInstance");
  // Reaches running, then drops before the confirmation looks.
  fake.services[kOwn].after_start = {{kServiceRunning, 0, 0}, {kServiceStopped, 0, 0}};
  EXPECT_NO_THROW(StartFBService(facilities, op, OwnServer(), false));

  Stopped("FirebirdServerDefaultInstance");
  fake.services[kOwn].status = {kServiceStopped, 0, 0};
  EXPECT_EQ(ErrorOf([&] { StartFBService(facilities, op, OwnServer(), false); }), kNotRunningText);
}

TEST_F(FbServiceTest, StartThatNeverRunsFails) {
  Stopped(kOwn);
  fake.services[kOwn].start_accepted = false;
  EXPECT_EQ(ErrorOf([&] { StartFBService(facilities, op, OwnServer(), true); }),
            kUnableToStartText);
  EXPECT_TRUE(op.boxes.empty());

  // A start script that fails leaves the service stopped.
  fake.services[kOwn].start_accepted = true;
  fake.services[kOwn].after_start = {{kServiceStartPending, 1, 500}, {kServiceStopped, 0, 0}};
  EXPECT_EQ(ErrorOf([&] { StartFBService(facilities, op, OwnServer(), true); }),
            kUnableToStartText);
}

TEST_F(FbServiceTest, StartThatStaysPendingIsFailedByTheBound) {
  Stopped(kOwn);
  fake.services[kOwn].queries = {{kServiceStartPending, 7, 3000}};
  EXPECT_FALSE(StartServiceAndWait(facilities, "", kOwn));
  EXPECT_EQ(clock.TotalSlept(), kServiceRequestDelay + kServicePendingLimit);
}

TEST_F(FbServiceTest, EmptyServiceNameFailsTheStartAfterItsWaits) {
  TFBServParams empty;
  EXPECT_EQ(GetServiceState(fake, "", ""), kServiceStopped);
  EXPECT_EQ(ErrorOf([&] { StartFBService(facilities, op, empty, true); }), kUnableToStartText);
  // The inner stop's wait and the start's own wait; nothing was terminated.
  EXPECT_EQ(clock.Sleeps(), Ms({30000, 30000}));
  for (const std::string& e : fake.Names()) EXPECT_NE(e.rfind("kill", 0), 0u) << e;
}

TEST_F(FbServiceTest, UnreachableManagerSkipsTheWait) {
  Running(kOwn);
  fake.manager_opens = false;
  EXPECT_EQ(GetServiceState(fake, "", kOwn), kServiceStopped);
  EXPECT_FALSE(StopServiceAndWait(facilities, "", kOwn));
  EXPECT_FALSE(StartServiceAndWait(facilities, "", kOwn));
  EXPECT_FALSE(IsFBServiceRunning(fake));
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(FbServiceTest, KnownServicesAreAskedInOrderUntilOneRuns) {
  Stopped("FirebirdGuardianDefaultInstance");
  Running("FirebirdServerDefaultInstance");
  Running(kOwn);
  EXPECT_TRUE(IsFBServiceRunning(fake));
  const Strings names = fake.Names();
  EXPECT_EQ(names,
            (Strings{"open-manager ", "open FirebirdGuardianDefaultInstance",
                     "query FirebirdGuardianDefaultInstance", "open-manager ",
                     "open FirebirdServerDefaultInstance", "query FirebirdServerDefaultInstance"}));

  fake.services.clear();
  EXPECT_FALSE(IsFBServiceRunning(fake));
}

}  // namespace
}  // namespace updater
