#include "sys/mount_info.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace updater {

namespace {

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool ParseDevice(std::string_view field, unsigned& major, unsigned& minor) {
  std::size_t colon = field.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == field.size()) return false;
  std::string major_text(field.substr(0, colon));
  std::string minor_text(field.substr(colon + 1));
  char* end = nullptr;
  major = static_cast<unsigned>(std::strtoul(major_text.c_str(), &end, 10));
  if (*end != '\0') return false;
  minor = static_cast<unsigned>(std::strtoul(minor_text.c_str(), &end, 10));
  return *end == '\0';
}

// File systems whose data lives on another machine (or the host of a virtual one).
constexpr std::array<std::string_view, 22> kRemoteTypes = {
    "nfs",        "nfs4",      "cifs",        "smb3",        "smbfs",     "ncpfs",
    "afs",        "coda",      "9p",          "virtiofs",    "ceph",      "glusterfs",
    "lustre",     "davfs",     "sshfs",       "fuse.sshfs",  "fuse.ceph", "fuse.glusterfs",
    "fuse.davfs", "fuse.s3fs", "fuse.rclone", "fuse.gcsfuse"};

}  // namespace

bool IsUnder(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path.front() == '/';
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string UnescapeMountField(std::string_view field) {
  std::string result;
  result.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    bool octal = field[i] == '\\' && i + 3 < field.size();
    for (std::size_t k = 1; octal && k <= 3; ++k) {
      octal = field[i + k] >= '0' && field[i + k] <= '7';
    }
    if (octal) {
      int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      result += static_cast<char>(value);
      i += 3;
      continue;
    }
    result += field[i];
  }
  return result;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::vector<std::string_view> fields = SplitBlanks(line);
    auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
        fields.end() - dash < 3) {
      continue;
    }
    MountEntry entry;
    if (!ParseDevice(fields[2], entry.major, entry.minor)) continue;
    entry.mount_point = UnescapeMountField(fields[4]);
    entry.fs_type = UnescapeMountField(dash[1]);
    entry.source = UnescapeMountField(dash[2]);
    mounts.push_back(std::move(entry));
  }
  return mounts;
}

const MountEntry* FindMountFor(const std::vector<MountEntry>& mounts, const std::string& path) {
  const MountEntry* best = nullptr;
  for (const MountEntry& mount : mounts) {
    if (!IsUnder(path, mount.mount_point)) continue;
    // Later lines are mounted later and cover earlier ones at the same place.
    if (best == nullptr || mount.mount_point.size() >= best->mount_point.size()) best = &mount;
  }
  return best;
}

DriveType ClassifyMount(const MountEntry& mount,
                        const std::function<bool(unsigned major, unsigned minor)>& is_removable) {
  const std::string& type = mount.fs_type;
  if (std::find(kRemoteTypes.begin(), kRemoteTypes.end(), type) != kRemoteTypes.end()) {
    return DriveType::Remote;
  }
  if (type == "iso9660" || type == "udf") return DriveType::CdRom;
  if (type == "tmpfs" || type == "ramfs" || type == "devtmpfs") return DriveType::RamDisk;
  // Major 0 is the kernel's anonymous devices: no block device behind them.
  if (mount.major != 0 && is_removable && is_removable(mount.major, mount.minor)) {
    return DriveType::Removable;
  }
  return DriveType::Fixed;
}

}  // namespace updater
