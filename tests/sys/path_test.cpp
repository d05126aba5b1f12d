#include "sys/path.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace updater {
namespace {

TEST(PathTest, FullPathResolvesAgainstTheCurrentDirectory) {
  testing::TempFolder folder;
  std::string sub, up;
  {
    testing::ScopedCurrentDirectory cwd(folder.path());
    sub = FullPath("sub dir/-x/");
    up = FullPath("../");
  }
  const std::string sep(1, PathSeparator());
  EXPECT_EQ(sub, folder.path() + sep + "sub dir" + sep + "-x" + sep);
  EXPECT_EQ(up, IncludeTrailingSeparator(FolderPart(folder.path())));
}

TEST(PathTest, StreamPathsAreReadAsUtf8) {
  testing::TempFolder folder;
  // "Überprüfung – 更新" in UTF-8: outside every single-byte code page.
  const std::string name =
      "\xC3\x9C"
      "berpr\xC3\xBC"
      "fung \xE2\x80\x93 \xE6\x9B\xB4\xE6\x96\xB0";
  const std::string file = JoinPath(folder.path(), name);
  testing::WriteFile(file, "x");
  EXPECT_EQ(testing::ReadFile(file), "x");
  EXPECT_TRUE(std::filesystem::exists(FileSystemPath(file)));
  const std::u8string back = FileSystemPath(file).filename().u8string();
  EXPECT_EQ(std::string(back.begin(), back.end()), name);
}

}  // namespace
}  // namespace updater
