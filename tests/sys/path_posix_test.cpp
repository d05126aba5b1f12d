#include "sys/path.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(PosixPathTest, JoinsWithoutDoubledSeparators) {
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

TEST(PosixPathTest, FullPathFoldsDotsAndKeepsTheTrailingSeparator) {
  EXPECT_EQ(FullPath("/opt/./DunVeld//x/../"), "/opt/DunVeld/");
  EXPECT_EQ(FullPath("/opt/DunVeld"), "/opt/DunVeld");
  EXPECT_EQ(FullPath("/../.."), "/");
  EXPECT_EQ(FullPath("/"), "/");
  EXPECT_EQ(FullPath(""), "");
}

}  // namespace
}  // namespace updater
