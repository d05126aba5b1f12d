#pragma once

#include <functional>
#include <optional>

#include "seams/operator.h"
#include "seams/project_profile.h"

namespace updater {

// Points the Firebird client at no message file: FIREBIRD_MSG is a single blank.
// The program's first action, before any library is loaded.
void SetFirebirdMsgEnv();

// The start-up steps that need no window: FIREBIRD_MSG, the start language (the
// message module's creation, which shows its own error through `op`) and the preset
// profile. Without a profile the language could not be set, and the program ends
// with exit code 1 without showing the error again.
std::optional<ProjectProfile> StartWithoutWindow(Operator& op);

// The same with another language step; it must show its own error before raising.
std::optional<ProjectProfile> StartWithoutWindow(Operator& op,
                                                 const std::function<void(Operator&)>& choose);

}  // namespace updater
