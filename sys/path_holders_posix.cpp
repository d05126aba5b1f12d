#include "sys/path_holders.h"

#include "sys/mount_info.h"
#include "sys/posix_util.h"

namespace updater {

bool HoldersCanBeListed() {
  return true;
}

std::vector<PathHolder> HoldersUnder(const std::string& folder) {
  std::vector<PathHolder> holders;
  const std::string real = RealPath(folder);
  if (real.empty()) return holders;
  ForEachHolderLink(/*own_cwd_and_exe=*/false, [&](const char* pid, const std::string& link) {
    std::string path = ReadLink(link);
    if (IsUnder(path, real)) holders.push_back({std::stol(pid), ProcessComm(pid), std::move(path)});
  });
  return holders;
}

}  // namespace updater
