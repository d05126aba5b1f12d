#include "sys/drive_type.h"
#include "sys/mount_info.h"
#include "sys/path.h"
#include "sys/posix_util.h"

namespace updater {

namespace {

// A partition has no flag of its own; its disk, one folder up, has it.
bool IsRemovableDevice(unsigned major, unsigned minor) {
  const std::string base = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
  for (const char* flag : {"/removable", "/../removable"}) {
    std::string text = ReadFileText(base + flag).value_or("");
    if (!text.empty()) return text[0] == '1';
  }
  return false;
}

const MountEntry* MountOf(const std::vector<MountEntry>& mounts, const std::string& path) {
  std::string real = RealPath(path);
  return real.empty() ? nullptr : FindMountFor(mounts, real);
}

}  // namespace

std::string DrivePart(const std::string& path) {
  std::vector<MountEntry> mounts =
      ParseMountInfo(ReadFileText("/proc/self/mountinfo").value_or(""));
  const MountEntry* mount = MountOf(mounts, path);
  return mount == nullptr ? std::string() : IncludeTrailingSeparator(mount->mount_point);
}

DriveType DriveTypeOfRoot(const std::string& root) {
  if (RealPath(root).empty()) return DriveType::NoRootDir;
  std::vector<MountEntry> mounts =
      ParseMountInfo(ReadFileText("/proc/self/mountinfo").value_or(""));
  const MountEntry* mount = MountOf(mounts, root);
  return mount == nullptr ? DriveType::Unknown : ClassifyMount(*mount, IsRemovableDevice);
}

}  // namespace updater
