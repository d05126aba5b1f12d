#include "app/startup.h"

#include <exception>

#include "app/process_environment.h"
#include "messages/ldm.h"
#include "seams/application_title.h"

namespace updater {

void SetFirebirdMsgEnv() {
  SetProcessEnvironment("FIREBIRD_MSG", " ");
}

std::optional<ProjectProfile> StartWithoutWindow(Operator& op,
                                                 const std::function<void(Operator&)>& choose) {
  try {
    SetFirebirdMsgEnv();
  } catch (const std::exception& e) {
    op.ShowMessage(DialogKind::Error, kApplicationTitle, e.what());
    return std::nullopt;
  }
  try {
    choose(op);
  } catch (const std::exception&) {
    return std::nullopt;  // already shown in an error dialog
  }
  return PresetProfile();
}

std::optional<ProjectProfile> StartWithoutWindow(Operator& op) {
  return StartWithoutWindow(op, [](Operator& o) { DataModuleCreate(o); });
}

}  // namespace updater
