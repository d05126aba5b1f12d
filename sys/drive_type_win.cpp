#include <vector>

#include "sys/drive_type.h"
#include "sys/path.h"
#include "sys/utf16_win.h"

namespace updater {

std::string DrivePart(const std::string& path) {
  const std::wstring wide = win::Utf16(path);
  if (wide.empty() || ::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  // The volume's root, or the folder a volume is mounted on, with a trailing separator.
  std::vector<wchar_t> root(wide.size() + MAX_PATH + 1);
  if (!::GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
    return {};
  }
  return IncludeTrailingSeparator(win::Utf8(root.data()));
}

DriveType DriveTypeOfRoot(const std::string& root) {
  const UINT type = ::GetDriveTypeW(win::Utf16(IncludeTrailingSeparator(root)).c_str());
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

}  // namespace updater
