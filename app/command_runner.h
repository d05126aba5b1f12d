#pragma once

#include <exception>
#include <functional>
#include <iosfwd>
#include <optional>

#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "messages/message_key.h"
#include "seams/operator.h"
#include "seams/project_profile.h"
#include "sys/stop_request.h"
#include "update/run_observer.h"

namespace updater {

// Exit codes of the unattended front end.
enum ExitCode : int {
  kExitSuccess = 0,
  kExitError = 1,
  kExitCancelled = 2,    // the operator declined a question
  kExitRolledBack = 3,   // the update failed and its changes were rolled back
  kExitInterrupted = 4,  // asked to stop (Ctrl+C, a stop signal): ended early, consistent
  kExitUnfinished = 5,   // the run's last step failed: `updater-cli recover` finishes it
};

enum class Picture { None, Success, Errors };

// How a command ended: success, or the type it raised (sys/error.h; any other is Failed).
enum class Outcome {
  Success,
  Cancelled,
  Failed,
  RolledBack,
  Interrupted,
  Unfinished,
  UnfinishedAfterRollback
};

// What the front ends make of an outcome: the command line its exit code, the window its
// verdict (a message key) and picture.
struct OutcomeLook {
  Outcome outcome;
  ExitCode exit_code;
  MessageKey verdict;
  Picture picture;
};
const OutcomeLook& LookOf(Outcome outcome);
// The outcome of a command that raised `error`; none is success.
Outcome OutcomeOf(const std::exception_ptr& error);

// What a command works with: the operator, the clock, progress and server control the
// front end chose, the profile with the operator's folder and passwords, and the server the
// window found at its creation (a command-line run finds it per command).
struct CommandContext {
  Operator& op;
  Facilities facilities;
  ProjectProfile profile;
  std::optional<TFBServParams> server = std::nullopt;
  // Follows the run for a report; none when null.
  RunObserver* observer = nullptr;
  // Where `check --json` writes its document; the check writes none when null.
  std::ostream* document = nullptr;
};

using Command = std::function<void(CommandContext&)>;

// How both front ends answer a request to stop (sys/stop_request.h): before the command has
// changed anything the program ends at once, exit code 4, nothing changed; once it has, the
// command stops at the end of its step, and a second request only says that it is still
// putting things back.
void AnswerStopRequests(StopRequest& stop);

// Runs a command the way the window's handlers do: an error that leaves it goes to
// AEException, and the outcome becomes an exit code.
int RunCommand(CommandContext& context, const Command& command);

}  // namespace updater
