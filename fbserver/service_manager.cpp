#include "fbserver/service_manager.h"

namespace updater {

namespace {
ServiceControl* current_control = nullptr;
}  // namespace

ServiceControl& CurrentServiceControl() {
  return current_control != nullptr ? *current_control : PlatformServiceControl();
}

void SetCurrentServiceControl(ServiceControl* control) {
  current_control = control;
}

}  // namespace updater
