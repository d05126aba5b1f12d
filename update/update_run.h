#pragma once

#include <optional>
#include <string>

#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "seams/operator.h"
#include "seams/project_profile.h"
#include "update/run_observer.h"

namespace updater {

struct UpdateRunSettings {
  ProjectProfile profile;  // seams/project_profile.h
  // The product's server as the window found it at start; discovered by the run when absent
  // or without a service name, and the product has a server part.
  std::optional<TFBServParams> serverParams;
  // Told the parts found and each step begun, for a report; none when null.
  RunObserver* observer = nullptr;
};

// Updates the product in `productDirText` to the version carried inside this program, waiting,
// reporting and controlling the server through `f`.
// Returns normally when the run went through to its end; throws otherwise (sys/error.h):
// - Declined at the confirmation or at a warning: Cancelled. Only No declines a warning;
//   closing it goes on.
// - Rolled back: RolledBack, saying what was not put back if anything.
// - Stopped on request: Interrupted.
// - The swap into the product folder stopped: an Error saying what was and was not replaced.
// - The server or the live database could not be brought back: Unfinished (after a rollback
//   UnfinishedAfterRollback) ending with how to do it by hand; it replaces any error before.
void UpdateProgramm(const Facilities& f, std::string productDirText, std::string systemPassword,
                    std::string admnPassword, Operator& logMemo, std::string projectKey,
                    const UpdateRunSettings& settings);

}  // namespace updater
