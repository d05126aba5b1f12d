#include "app/command_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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

// What a command ends with, the exit code it gives, and what the operator sees of it.
struct OutcomeCase {
  const char* name;
  bool rollback_done;
  std::function<void()> ending;
  int code;
  std::vector<std::string> log;
  std::vector<std::string> boxes;
};

class CommandOutcomeTest : public CommandRunnerTest,
                           public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(CommandOutcomeTest, GivesTheExitCodeAndTellsTheOperator) {
  const OutcomeCase& c = GetParam();
  int code = RunCommand(context_, [&](CommandContext& context) {
    context.rollback_done = c.rollback_done;
    c.ending();
  });
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(op_.log, c.log);
  std::vector<std::string> boxes;
  for (const auto& box : op_.boxes) boxes.push_back(box.text);
  EXPECT_EQ(boxes, c.boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, CommandOutcomeTest,
    ::testing::Values(
        OutcomeCase{"Error",
                    false,
                    [] { throw Error("Service not found"); },
                    kExitError,
                    {"Service not found"},
                    {"Service not found."}},
        OutcomeCase{"Cancelled", false, [] { throw SilentAbort(); }, kExitCancelled, {}, {}},
        // A run that rolled back may end with an empty message: silent, but not a success.
        OutcomeCase{
            "RolledBackWithEmptyMessage", true, [] { throw Error(""); }, kExitRolledBack, {}, {}},
        OutcomeCase{"RolledBackWithMessage",
                    true,
                    [] { throw Error("Restore failed"); },
                    kExitRolledBack,
                    {"Restore failed"},
                    {"Restore failed."}},
        OutcomeCase{
            "EmptyErrorWithoutRollback", false, [] { throw Error(""); }, kExitError, {}, {}},
        OutcomeCase{"ForeignException",
                    false,
                    [] { throw 42; },
                    kExitError,
                    {"Unknown error"},
                    {"Unknown error."}},
        OutcomeCase{"ForeignExceptionAfterRollback",
                    true,
                    [] { throw 42; },
                    kExitRolledBack,
                    {"Unknown error"},
                    {"Unknown error."}}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST_F(CommandRunnerTest, RollbackFlagStaysForTheRestOfTheContext) {
  RunCommand(context_, [](CommandContext& c) {
    c.rollback_done = true;
    throw Error("");
  });
  EXPECT_EQ(RunCommand(context_, [](CommandContext&) { throw Error("Restore failed"); }),
            kExitRolledBack);
  EXPECT_EQ(op_.boxes.size(), 1u);
}

}  // namespace
}  // namespace updater
