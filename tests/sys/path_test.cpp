#include "sys/path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "sys/error.h"
#include "tests/sys/disk_folder.h"

namespace updater {
namespace {

TEST(PathTest, JoinsWithoutDoubledSeparators) {
  EXPECT_EQ(JoinPath("/opt/DunVeld", "Program"), "/opt/DunVeld/Program");
  EXPECT_EQ(JoinPath("/opt/DunVeld/", "Program"), "/opt/DunVeld/Program");
  EXPECT_EQ(JoinPath("/", "opt"), "/opt");
  EXPECT_EQ(IncludeTrailingSeparator("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingSeparator("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingSeparator("/a//"), "/a");
  EXPECT_EQ(ExcludeTrailingSeparator("/"), "/");
  EXPECT_EQ(FileNamePart("/a/b.txt"), "b.txt");
  EXPECT_EQ(FolderPart("/a/b.txt"), "/a");
  EXPECT_EQ(FolderPart("/b.txt"), "/");
  EXPECT_EQ(FolderPart("b.txt"), "");
}

TEST(PathTest, FullPathFoldsDotsAndKeepsTheTrailingSeparator) {
  EXPECT_EQ(FullPath("/opt/./DunVeld//x/../"), "/opt/DunVeld/");
  EXPECT_EQ(FullPath("/opt/DunVeld"), "/opt/DunVeld");
  EXPECT_EQ(FullPath("/../.."), "/");
  EXPECT_EQ(FullPath("/"), "/");
  EXPECT_EQ(FullPath(""), "");
}

TEST(PathTest, FullPathResolvesAgainstTheCurrentDirectory) {
  testing::DiskFolder folder;
  std::string sub, up;
  {
    testing::ScopedCurrentDirectory cwd(folder.path());
    sub = FullPath("sub dir/-x/");
    up = FullPath("../");
  }
  EXPECT_EQ(sub, folder.path() + "/sub dir/-x/");
  EXPECT_EQ(up, "/var/tmp/");
}

}  // namespace
}  // namespace updater
