#pragma once

#include <string>

namespace updater {

// The kinds of drive the update accepts or refuses; values as the system call for a drive root
// gives them.
enum class DriveType : int {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

// The root of the drive that holds `path`, with a trailing separator: the mount point
// on POSIX. Empty when `path` does not exist or no drive holds it.
std::string DrivePart(const std::string& path);

// The kind of drive whose root is `root`; NoRootDir when `root` does not exist.
DriveType DriveTypeOfRoot(const std::string& root);

}  // namespace updater
