#include "sys/path_holders.h"

namespace updater {

bool HoldersCanBeListed() {
  return false;
}

std::vector<PathHolder> HoldersUnder(const std::string& /*folder*/) {
  return {};
}

}  // namespace updater
