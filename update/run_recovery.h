#pragma once

#include <optional>
#include <string>

#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "seams/operator.h"
#include "seams/project_profile.h"

namespace updater {

class RunServices;

// Brings the product in `product_dir` back to one consistent version after a run that died:
// the previous one when the database swap had not finished, the updated one when it had. Then
// starts the server, brings the live database online and marks the journal ended. Each step is
// logged. Without an unfinished run it only says so. A journal that cannot be read leaves the
// decision to what the product folder and the run's folder show (recovery_folders.h); once
// the product is consistent it is moved aside. Raises Error when the folders do not decide or a
// step fails (nothing is touched in the first case); run again, it takes up where it stopped.
void RecoverRun(const Facilities& f, Operator& op, const ProjectProfile& profile,
                const std::string& product_dir, const std::string& system_password,
                std::optional<TFBServParams> server_params = std::nullopt);

// RecoverRun with the given services.
void RecoverRunWith(RunServices& services, const Facilities& f, Operator& op,
                    const ProjectProfile& profile, const std::string& product_dir,
                    const std::string& system_password, std::optional<TFBServParams> server_params);

}  // namespace updater
