#include "app/command_runner.h"

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "messages/message_text.h"
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

// What a command ends with, its outcome, the exit code and the window's verdict and picture
// of it, and what the operator sees of it.
struct OutcomeCase {
  const char* name;
  std::function<void()> ending;
  Outcome outcome;
  int code;
  MessageKey verdict;
  Picture picture;
  std::vector<std::string> log;
  std::vector<std::string> boxes;
};

class CommandOutcomeTest : public CommandRunnerTest,
                           public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(CommandOutcomeTest, MapsToExitCodeVerdictAndPictureAndTellsTheOperator) {
  const OutcomeCase& c = GetParam();
  std::exception_ptr error;
  int code = RunCommand(context_, [&](CommandContext&) {
    try {
      c.ending();
    } catch (...) {
      error = std::current_exception();
      throw;
    }
  });
  EXPECT_EQ(OutcomeOf(error), c.outcome);
  const OutcomeLook& look = LookOf(c.outcome);
  EXPECT_EQ(look.outcome, c.outcome);
  EXPECT_EQ(code, c.code);
  EXPECT_EQ(look.exit_code, c.code);
  EXPECT_STREQ(look.verdict.name(), c.verdict.name());
  EXPECT_EQ(look.picture, c.picture);
  EXPECT_EQ(op_.log, c.log);
  std::vector<std::string> boxes;
  for (const auto& box : op_.boxes) boxes.push_back(box.text);
  EXPECT_EQ(boxes, c.boxes);
}

constexpr MessageKey kDone = msg::uMain_Finished_1;
constexpr MessageKey kRolledBack = msg::uMain_Finished_3;
constexpr MessageKey kStopped = msg::uMain_Finished_4;

INSTANTIATE_TEST_SUITE_P(
    Endings, CommandOutcomeTest,
    ::testing::Values(OutcomeCase{"Success", [] {}, Outcome::Success, kExitSuccess, kDone,
                                  Picture::Success},
                      OutcomeCase{"Error",
                                  [] { throw Error("Service not found"); },
                                  Outcome::Failed,
                                  kExitError,
                                  kStopped,
                                  Picture::Errors,
                                  {"Service not found"},
                                  {"Service not found."}},
                      OutcomeCase{"Cancelled", [] { throw Cancelled(); }, Outcome::Cancelled,
                                  kExitCancelled, kStopped, Picture::Errors},
                      // All put back: the operator saw the cause when it happened.
                      OutcomeCase{"RolledBack", [] { throw RolledBack(); }, Outcome::RolledBack,
                                  kExitRolledBack, kRolledBack, Picture::Errors},
                      OutcomeCase{"RolledBackWithMessage",
                                  [] { throw RolledBack("Restore failed"); },
                                  Outcome::RolledBack,
                                  kExitRolledBack,
                                  kRolledBack,
                                  Picture::Errors,
                                  {"Restore failed"},
                                  {"Restore failed."}},
                      OutcomeCase{"Interrupted",
                                  [] { throw Interrupted("Stopped"); },
                                  Outcome::Interrupted,
                                  kExitInterrupted,
                                  kStopped,
                                  Picture::Errors,
                                  {"Stopped"},
                                  {"Stopped."}},
                      OutcomeCase{"Unfinished",
                                  [] { throw Unfinished("Start it by hand"); },
                                  Outcome::Unfinished,
                                  kExitUnfinished,
                                  kStopped,
                                  Picture::Errors,
                                  {"Start it by hand"},
                                  {"Start it by hand."}},
                      OutcomeCase{"UnfinishedAfterRollback",
                                  [] { throw UnfinishedAfterRollback("Start it by hand"); },
                                  Outcome::UnfinishedAfterRollback,
                                  kExitUnfinished,
                                  kRolledBack,
                                  Picture::Errors,
                                  {"Start it by hand"},
                                  {"Start it by hand."}},
                      // The check's table already gave every reason.
                      OutcomeCase{"FailureAlreadyTold", [] { throw FailureAlreadyTold("told"); },
                                  Outcome::Failed, kExitError, kStopped, Picture::Errors},
                      // No text is no reason for silence.
                      OutcomeCase{"EmptyError",
                                  [] { throw Error(""); },
                                  Outcome::Failed,
                                  kExitError,
                                  kStopped,
                                  Picture::Errors,
                                  {"Unknown error"},
                                  {"Unknown error."}},
                      OutcomeCase{"ForeignException",
                                  [] { throw 42; },
                                  Outcome::Failed,
                                  kExitError,
                                  kStopped,
                                  Picture::Errors,
                                  {"Unknown error"},
                                  {"Unknown error."}}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST_F(CommandRunnerTest, AnOutcomeBelongsToItsCommandAlone) {
  EXPECT_EQ(RunCommand(context_, [](CommandContext&) { throw RolledBack(); }), kExitRolledBack);
  EXPECT_EQ(RunCommand(context_, [](CommandContext&) { throw Error("Restore failed"); }),
            kExitError);
  EXPECT_EQ(op_.boxes.size(), 1u);
}

}  // namespace
}  // namespace updater
