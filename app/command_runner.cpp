#include "app/command_runner.h"

#include "app/exception_handler.h"
#include "sys/error.h"

namespace updater {

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
