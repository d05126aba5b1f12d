#include "app/command_runner.h"

#include <cstdio>

#include "app/exception_handler.h"
#include "app/terminal.h"
#include "messages/message_text.h"
#include "sys/error.h"

namespace updater {

void AnswerStopRequests(StopRequest& stop) {
  stop.SetListener([](int count, bool armed) {
    if (!armed) ExitRestoringTerminal(kExitInterrupted, GetMessageText("uUpdate_Stop_3"));
    if (count > 1) std::fputs(("\n" + GetMessageText("uUpdate_Stop_2") + "\n").c_str(), stderr);
  });
}

int RunCommand(CommandContext& context, const Command& command) {
  try {
    command(context);
    return kExitSuccess;
  } catch (const SilentAbort& e) {
    AEException(context.op, e);
    return kExitCancelled;
  } catch (const Interrupted& e) {
    AEException(context.op, e);
    return kExitInterrupted;
  } catch (const Unfinished& e) {
    AEException(context.op, e);
    return kExitUnfinished;
  } catch (const std::exception& e) {
    // A run that rolled back may end with an empty message: silent, but still a failure.
    AEException(context.op, e);
    return context.rollback_done ? kExitRolledBack : kExitError;
  } catch (...) {
    AEException(context.op, Error("Unknown error"));
    return context.rollback_done ? kExitRolledBack : kExitError;
  }
}

}  // namespace updater
