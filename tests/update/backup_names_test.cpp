#include "update/backup_names.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(BackupNamesTest, EncodesSeparatorsAndColonsOnly) {
  EXPECT_EQ(BackupFileName("C:\\OVN\\DunVeld\\Program\\DunVeld.exe"),
            "C{3A}{5C}OVN{5C}DunVeld{5C}Program{5C}DunVeld.exe");
  EXPECT_EQ(BackupFileName("/opt/OVN/DunVeld/Program/Dun Veld {x}.exe"),
            "{2F}opt{2F}OVN{2F}DunVeld{2F}Program{2F}Dun Veld {x}.exe");
  EXPECT_EQ(DeleteMarkerName("/opt/b.txt"), "{dlt}_{2F}opt{2F}b.txt");
}

TEST(BackupNamesTest, DecodingGivesThePathBack) {
  for (const std::string path : {"C:\\T\\a.txt", "/var/tmp/T/ä b.txt", "/x:y\\z/-q"}) {
    EXPECT_EQ(DecodeBackupFileName(BackupFileName(path)), path);
  }
  EXPECT_EQ(DecodeBackupFileName("C{3A}{5C}T{5C}{5C}a.txt"), "C:\\T\\\\a.txt");
  EXPECT_EQ(DecodeBackupFileName("{dlt}_C{3A}{5C}T{5C}b.txt"), "{dlt}_C:\\T\\b.txt");
}

}  // namespace
}  // namespace updater
