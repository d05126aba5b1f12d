#pragma once

#include <gtest/gtest.h>

#include <string>

#include "messages/ldm.h"
#include "tests/support/temp_folder.h"
#include "update/backup_names.h"

namespace updater::testing {

// A backup folder as a run leaves it, filled one file at a time.
class RestoreFixture : public ::testing::Test {
 protected:
  void SetUp() override { ChangeLanguage(3); }
  // Puts a backup of `path` with `content` into the backup folder.
  void Backup(const std::string& path, const std::string& content) {
    WriteFile(other + "/" + BackupFileName(path), content);
  }
  void Mark(const std::string& path) { WriteFile(other + "/" + DeleteMarkerName(path), ""); }

  TempFolder folder;
  std::string other = folder / "Tmp$1/Old/Other";
};

}  // namespace updater::testing
