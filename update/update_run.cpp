#include "update/update_run.h"

#include <utility>

#include "update/run_state.h"

namespace updater {

void UpdateProgramm(const Facilities& f, std::string productDirText, std::string systemPassword,
                    std::string admnPassword, Operator& logMemo, std::string projectKey,
                    const UpdateRunSettings& settings) {
  UpdateProgrammWith(*RealRunServices(f), f, std::move(productDirText), std::move(systemPassword),
                     std::move(admnPassword), logMemo, std::move(projectKey), settings);
}

}  // namespace updater
