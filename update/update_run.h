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
  ProjectProfile profile;        // seams/project_profile.h
  bool* rollbackDone = nullptr;  // set true when the run rolled back; cleared at the start
  // The product's server as the window found it at start; discovered by the run when absent
  // and the product has a server part.
  std::optional<TFBServParams> serverParams;
  // Told the parts found and each step begun, for a report; none when null.
  RunObserver* observer = nullptr;
};

// Updates the product in `productDirText` to the version carried inside this program, waiting,
// reporting and controlling the server through `f`.
// Returns normally when the run went through to its end; throws otherwise (SilentAbort
// when the operator declined, Error with the run's text otherwise).
// - Declined at the confirmation: SilentAbort "Cancel"; at a warning: SilentAbort "". Only
//   No declines a warning; closing it goes on.
// - Rolled back: *rollbackDone is true and the Error's text is empty when everything was put
//   back (the operator has already seen the cause in an error dialog), else it says what not.
// - The swap into the product folder stopped: Error saying what was and was not replaced.
// - The server or the live database could not be brought back: Error ending with how to do
//   it by hand; it replaces any error before it.
void UpdateProgramm(const Facilities& f, std::string productDirText, std::string systemPassword,
                    std::string admnPassword, Operator& logMemo, std::string projectKey,
                    const UpdateRunSettings& settings);

}  // namespace updater
