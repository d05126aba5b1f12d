#include <exception>

#include "messages/message_text.h"
#include "update/product_state.h"
#include "update/run_state.h"

namespace updater {

DatabaseProbe UpdateRun::DatabaseProbeOfRun() {
  return [this](const std::string& file) {
    return services_.DatabaseStampOf(AsSysdba(profile_.ServerPrefix + file));
  };
}

ReleaseLayout UpdateRun::LiveLayout() {
  std::string fb_root;
  if (c_.HasServerPart) fb_root = ServerParams().FbRootDir;
  return LiveReleaseLayout(profile_, c_.ProductDir,
                           {.has_client = c_.HasClientPart, .has_server = c_.HasServerPart},
                           fb_root);
}

bool UpdateRun::AtCarriedRelease() {
  const std::string carried = CarriedReleaseDigest();
  ReleaseLayout layout;
  try {
    layout = LiveLayout();
  } catch (const std::exception&) {
    // Without the server the run fails at its usual place, after the confirmation.
    return false;
  }
  const InstalledRelease installed =
      FindInstalledRelease(c_.ProductDir, carried, layout, DatabaseProbeOfRun());
  if (installed.state != ReleaseState::Current) return false;
  Log(GetMessageText(msg::uCheck_AlreadyCurrent, c_.ProductDir, ShortDigest(carried)));
  if (settings_.observer != nullptr) settings_.observer->AlreadyCurrent();
  return true;
}

void UpdateRun::RememberCarriedRelease() noexcept {
  try {
    RememberRelease(c_.ProductDir, CarriedReleaseDigest(), LiveLayout(), DatabaseProbeOfRun());
  } catch (const std::exception& e) {
    // The product is updated all the same; only a later run cannot tell.
    try {
      Log(std::string(e.what()) + "\r" + GetMessageText(msg::uCheck_RecordMissing));
    } catch (...) {
    }
  }
}

}  // namespace updater
