#include "update/restore.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/support/temp_folder.h"
#include "tests/update/restore_fixture.h"
#include "update/backup_names.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

class RestoreTest : public testing::RestoreFixture {};

TEST_F(RestoreTest, RestoresABackupAndDeletesTheMarkedFile) {
  const std::string a = folder / "T/a.txt";
  const std::string b = folder / "T/b.txt";
  testing::WriteFile(a, "changed by the update");
  testing::WriteFile(b, "new file of the update");
  Backup(a, "before the update");
  Mark(b);
  ASSERT_TRUE(testing::Exists(other + "/" + BackupFileName(a)));

  EXPECT_TRUE(RestoreFilesFromBackup(other).empty());
  EXPECT_EQ(testing::ReadFile(a), "before the update");
  EXPECT_FALSE(testing::Exists(b));
  // The backup stays where it was.
  EXPECT_EQ(testing::ReadFile(other + "/" + BackupFileName(a)), "before the update");
  EXPECT_TRUE(testing::Exists(other + "/" + DeleteMarkerName(b)));
}

TEST_F(RestoreTest, SkipsHiddenFilesAndFolders) {
  const std::string a = folder / "T/a.txt";
  testing::WriteFile(a, "current");
  testing::WriteFile(other + "/." + BackupFileName(a), "hidden backup");
  fs::create_directories(other + "/" + BackupFileName(folder / "T/dir"));
  EXPECT_TRUE(RestoreFilesFromBackup(other).empty());
  EXPECT_EQ(testing::ReadFile(a), "current");
  EXPECT_TRUE(RestoreFilesFromBackup(folder / "no such folder").empty());
}

TEST_F(RestoreTest, AMarkerInsideAFileNameIsNoMarker) {
  // A file whose own name begins with the marker text is restored, not deleted.
  const std::string odd = folder / "T/{dlt}_odd.txt";
  testing::WriteFile(odd, "current");
  Backup(odd, "restored");
  EXPECT_TRUE(RestoreFilesFromBackup(other).empty());
  EXPECT_EQ(testing::ReadFile(odd), "restored");
}

}  // namespace
}  // namespace updater
