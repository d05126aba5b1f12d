#pragma once

#include <string>

namespace updater {

// Marks a file of the backup folder whose restoration deletes the file it names.
inline const std::string kDeleteMarkerPrefix = "{dlt}_";

// The name under which the backup of `path` is kept: the full path with "\" written as
// "{5C}", ":" as "{3A}" and "/" as "{2F}"; nothing else changes.
std::string BackupFileName(const std::string& path);

// The name of the file whose restoration deletes `path`.
std::string DeleteMarkerName(const std::string& path);

// The path that a backup file name (or marker name) stands for.
std::string DecodeBackupFileName(const std::string& name);

}  // namespace updater
