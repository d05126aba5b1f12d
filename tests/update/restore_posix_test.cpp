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

class RestorePosixTest : public testing::RestoreFixture {};

TEST_F(RestorePosixTest, ReportsEachFileThatCannotBeRestoredAndGoesOn) {
  const std::string lost = folder / "Gone/Program/x.dll";  // its folder no longer exists
  const std::string fine = folder / "T/-name with \"quotes\" and ü.txt";
  testing::WriteFile(fine, "current");
  Backup(lost, "lost");
  Backup(fine, "restored");
  Mark(folder / "T/never existed");  // nothing to delete: no line
  std::vector<std::string> report = RestoreFilesFromBackup(other);
  EXPECT_EQ(report,
            std::vector<std::string>{GetMessageText(msg::uUpdate_RestoreFilesFromBackup_1, lost)});
  EXPECT_EQ(testing::ReadFile(fine), "restored");
  EXPECT_FALSE(testing::Exists(folder / "Gone"));
}

TEST_F(RestorePosixTest, ANameOfAnotherSystemGoesNowhere) {
  // "C:\T\a.txt" is no full path here; it must not land in the current folder.
  testing::WriteFile(other + "/C{3A}{5C}T{5C}a.txt", "windows");
  testing::WriteFile(other + "/{dlt}_C{3A}{5C}T{5C}b.txt", "");
  fs::create_directory(folder / "cwd");
  std::vector<std::string> report;
  {
    testing::ScopedCurrentDirectory cwd(folder / "cwd");
    testing::WriteFile("C:\\T\\b.txt", "would be deleted");
    report = RestoreFilesFromBackup(other);
  }
  EXPECT_EQ(report, std::vector<std::string>{
                        GetMessageText(msg::uUpdate_RestoreFilesFromBackup_1, "C:\\T\\a.txt")});
  EXPECT_FALSE(testing::Exists(folder / "cwd/C:\\T\\a.txt"));
  EXPECT_TRUE(testing::Exists(folder / "cwd/C:\\T\\b.txt"));
}

}  // namespace
}  // namespace updater
