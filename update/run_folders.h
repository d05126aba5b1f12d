#pragma once

#include <string>

#include "seams/project_profile.h"

namespace updater {

// The parts of the product folder that an update copies and replaces.
inline constexpr const char* kProgramPart = "Program";
inline constexpr const char* kResourcesPart = "Resources";
inline constexpr const char* kDbDataPart = "DB_Data";
// A run's temporary folder in the product folder: this, then the run's stamp.
inline constexpr const char* kRunFolderPrefix = "Tmp$";

// One run's working folders under its temporary folder: the run makes them by these names,
// and the recovery and the folder check find them by the same.
struct RunFolders {
  explicit RunFolders(const std::string& temp_dir);

  std::string BackupOf(const char* part) const;
  std::string WorkOf(const char* part) const;

  std::string temp;
  std::string unpacked;      // the payload
  std::string backup;        // the product as it was
  std::string work;          // the copy the run updates
  std::string backup_other;  // files outside the product folder, as they were
};

// Where the server of `fb_root_dir` keeps the product's function library.
std::string InstalledUdfLibrary(const ProjectProfile& profile, const std::string& fb_root_dir);

}  // namespace updater
