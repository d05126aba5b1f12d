#include "update/backup_names.h"

#include <algorithm>
#include <array>
#include <utility>

#include "sys/text.h"

namespace updater {

namespace {

// What stands for the characters of a path that a file name cannot hold. No code holds one of
// those characters, so the codes can be decoded in any order.
constexpr std::array<std::pair<char, const char*>, 3> kEscapes{
    {{'\\', "{5C}"}, {':', "{3A}"}, {'/', "{2F}"}}};

}  // namespace

std::string BackupFileName(const std::string& path) {
  std::string name;
  name.reserve(path.size() + 16);
  for (char c : path) {
    const auto* escape =
        std::find_if(kEscapes.begin(), kEscapes.end(), [c](const auto& e) { return e.first == c; });
    if (escape == kEscapes.end()) {
      name += c;
    } else {
      name += escape->second;
    }
  }
  return name;
}

std::string DeleteMarkerName(const std::string& path) {
  return kDeleteMarkerPrefix + BackupFileName(path);
}

std::string DecodeBackupFileName(const std::string& name) {
  std::string path = name;
  for (const auto& [c, code] : kEscapes) path = ReplaceAll(path, code, std::string(1, c));
  return path;
}

}  // namespace updater
