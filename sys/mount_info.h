#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/drive_type.h"

namespace updater {

// One line of /proc/self/mountinfo.
struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string mount_point;  // octal escapes (\040 and the like) already decoded
  std::string fs_type;      // with its subtype, as "fuse.sshfs"
  std::string source;
};

// Whether `path` is `folder` or lies below it, whole components compared; both absolute, with
// links resolved.
bool IsUnder(const std::string& path, const std::string& folder);

// Reads mountinfo text; lines that do not parse are left out.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Decodes the kernel's \ooo escapes of blanks, tabs, newlines and backslashes.
std::string UnescapeMountField(std::string_view field);

// The mount that holds `path` (an absolute path with links resolved): the longest mount
// point that is a whole-component prefix of it; of equal ones the last mounted.
// nullptr when none holds it.
const MountEntry* FindMountFor(const std::vector<MountEntry>& mounts, const std::string& path);

// The drive kind of a mount; `is_removable` answers for a block device number.
DriveType ClassifyMount(const MountEntry& mount,
                        const std::function<bool(unsigned major, unsigned minor)>& is_removable);

}  // namespace updater
