#include "update/backup_names.h"

#include "sys/text.h"

namespace updater {

std::string BackupFileName(const std::string& path) {
  std::string name;
  name.reserve(path.size() + 16);
  for (char c : path) {
    switch (c) {
      case '\\':
        name += "{5C}";
        break;
      case ':':
        name += "{3A}";
        break;
      case '/':
        name += "{2F}";
        break;
      default:
        name += c;
    }
  }
  return name;
}

std::string DeleteMarkerName(const std::string& path) {
  return kDeleteMarkerPrefix + BackupFileName(path);
}

std::string DecodeBackupFileName(const std::string& name) {
  std::string path = ReplaceAll(name, "{5C}", "\\");
  path = ReplaceAll(path, "{2F}", "/");
  return ReplaceAll(path, "{3A}", ":");
}

}  // namespace updater
