#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "sys/durable_file.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

// Neither a link to nowhere nor a pipe stops or blocks the flush of a tree.
TEST(DurableFilePosixTest, LinksAndPipesNeitherStopNorBlockTheFlush) {
  testing::TempFolder disk;
  testing::WriteFile(disk / "tree/a/b", "b");
  ASSERT_EQ(::symlink("/nonexistent/target", (disk / "tree/a/link").c_str()), 0);
  ASSERT_EQ(::mkfifo((disk / "tree/a/pipe").c_str(), 0600), 0);
  EXPECT_TRUE(FlushToDisk(disk / "tree"));
  EXPECT_TRUE(FlushToDisk(disk / "tree/a/pipe"));
}

}  // namespace
}  // namespace updater
