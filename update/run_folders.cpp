#include "update/run_folders.h"

#include "sys/path.h"

namespace updater {

RunFolders::RunFolders(const std::string& temp_dir)
    : temp(temp_dir),
      unpacked(JoinPath(temp_dir, "New")),
      backup(JoinPath(temp_dir, "Old")),
      work(JoinPath(temp_dir, "Wrk")),
      backup_other(JoinPath(backup, "Other")) {}

std::string RunFolders::BackupOf(const char* part) const {
  return JoinPath(backup, part);
}

std::string RunFolders::WorkOf(const char* part) const {
  return JoinPath(work, part);
}

std::string InstalledUdfLibrary(const ProjectProfile& profile, const std::string& fb_root_dir) {
  return JoinPath(JoinPath(fb_root_dir, "udf"), profile.Files.UdfLibrary);
}

}  // namespace updater
