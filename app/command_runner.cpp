#include "app/command_runner.h"

#include <cstdio>

#include "app/exception_handler.h"
#include "app/terminal.h"
#include "messages/message_text.h"
#include "sys/error.h"

namespace updater {

void AnswerStopRequests(StopRequest& stop) {
  stop.SetListener([](int count, bool armed) {
    if (!armed) ExitRestoringTerminal(kExitInterrupted, GetMessageText(msg::uUpdate_Stop_3));
    if (count > 1) std::fputs(("\n" + GetMessageText(msg::uUpdate_Stop_2) + "\n").c_str(), stderr);
  });
}

const OutcomeLook& LookOf(Outcome outcome) {
  // In the order of Outcome.
  static constexpr OutcomeLook kLooks[] = {
      {Outcome::Success, kExitSuccess, msg::uMain_Finished_1, Picture::Success},
      {Outcome::Cancelled, kExitCancelled, msg::uMain_Finished_4, Picture::Errors},
      {Outcome::Failed, kExitError, msg::uMain_Finished_4, Picture::Errors},
      {Outcome::RolledBack, kExitRolledBack, msg::uMain_Finished_3, Picture::Errors},
      {Outcome::Interrupted, kExitInterrupted, msg::uMain_Finished_4, Picture::Errors},
      {Outcome::Unfinished, kExitUnfinished, msg::uMain_Finished_4, Picture::Errors},
      {Outcome::UnfinishedAfterRollback, kExitUnfinished, msg::uMain_Finished_3, Picture::Errors},
  };
  return kLooks[static_cast<int>(outcome)];
}

Outcome OutcomeOf(const std::exception_ptr& error) {
  if (!error) return Outcome::Success;
  try {
    std::rethrow_exception(error);
  } catch (const Cancelled&) {
    return Outcome::Cancelled;
  } catch (const RolledBack&) {
    return Outcome::RolledBack;
  } catch (const Interrupted&) {
    return Outcome::Interrupted;
  } catch (const UnfinishedAfterRollback&) {
    return Outcome::UnfinishedAfterRollback;
  } catch (const Unfinished&) {
    return Outcome::Unfinished;
  } catch (...) {
    return Outcome::Failed;
  }
}

int RunCommand(CommandContext& context, const Command& command) {
  std::exception_ptr error;
  try {
    command(context);
  } catch (...) {
    error = std::current_exception();
    AEException(context.op, error);
  }
  return LookOf(OutcomeOf(error)).exit_code;
}

}  // namespace updater
