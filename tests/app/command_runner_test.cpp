#include "app/command_runner.h"

#include <gtest/gtest.h>

#include "sys/error.h"
#include "tests/support/recording_operator.h"

namespace updater {
namespace {

class CommandRunnerTest : public ::testing::Test {
 protected:
  testing::RecordingOperator op_;
  RealClock clock_;
  CommandContext context_{
      op_,
      {clock_, SilentProgress(), PlatformServiceControl(), SystemServerProcesses()},
      PresetProfile()};
};

TEST_F(CommandRunnerTest, SuccessIsZeroAndTheCommandSeesTheProfile) {
  context_.profile.ProductDir = "/srv/DunVeld";
  std::string seen;
  int code = RunCommand(context_, [&](CommandContext& c) {
    seen = c.profile.ProductDir;
    c.op.SaveExceptionToLog("done");
  });
  EXPECT_EQ(code, kExitSuccess);
  EXPECT_EQ(seen, "/srv/DunVeld");
  EXPECT_EQ(op_.log, std::vector<std::string>{"done"});
}

TEST_F(CommandRunnerTest, ErrorIsLoggedShownAndGivesOne) {
  int code = RunCommand(context_, [](CommandContext&) { throw Error("Service not found"); });
  EXPECT_EQ(code, kExitError);
  EXPECT_EQ(op_.log, std::vector<std::string>{"Service not found"});
  ASSERT_EQ(op_.boxes.size(), 1u);
  EXPECT_EQ(op_.boxes[0].text, "Service not found.");
}

TEST_F(CommandRunnerTest, CancellationIsSilentAndGivesTwo) {
  int code = RunCommand(context_, [](CommandContext&) { throw SilentAbort(); });
  EXPECT_EQ(code, kExitCancelled);
  EXPECT_TRUE(op_.log.empty());
  EXPECT_TRUE(op_.boxes.empty());
}

TEST_F(CommandRunnerTest, RolledBackRunGivesThreeEvenWithAnEmptyMessage) {
  int code = RunCommand(context_, [](CommandContext& c) {
    c.rollback_done = true;
    throw Error("");
  });
  EXPECT_EQ(code, kExitRolledBack);
  EXPECT_TRUE(op_.boxes.empty());

  code = RunCommand(context_, [](CommandContext&) { throw Error("Restore failed"); });
  EXPECT_EQ(code, kExitRolledBack);  // the flag stays for the rest of the context
  EXPECT_EQ(op_.boxes.size(), 1u);
}

TEST_F(CommandRunnerTest, EmptyErrorWithoutRollbackIsStillAFailure) {
  EXPECT_EQ(RunCommand(context_, [](CommandContext&) { throw Error(""); }), kExitError);
}

TEST_F(CommandRunnerTest, ForeignExceptionIsReported) {
  EXPECT_EQ(RunCommand(context_, [](CommandContext&) { throw 42; }), kExitError);
  ASSERT_EQ(op_.boxes.size(), 1u);
  EXPECT_EQ(op_.boxes[0].text, "Unknown error.");
}

}  // namespace
}  // namespace updater
