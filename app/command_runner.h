#pragma once

#include <functional>

#include "seams/operator.h"
#include "seams/project_profile.h"

namespace updater {

// Exit codes of the unattended front end.
enum ExitCode : int {
  kExitSuccess = 0,
  kExitError = 1,
  kExitCancelled = 2,   // the operator declined a question
  kExitRolledBack = 3,  // the update failed and its changes were rolled back
};

// What a command works with: the operator, the profile with the operator's
// folder and passwords, and the flag the update run sets when it rolls back.
struct CommandContext {
  Operator& op;
  ProjectProfile profile;
  bool rollback_done = false;
};

using Command = std::function<void(CommandContext&)>;

// Runs a command the way the window's handlers do: an error that leaves it goes to
// AEException (a cancellation silently), and the outcome becomes an exit code.
int RunCommand(CommandContext& context, const Command& command);

}  // namespace updater
