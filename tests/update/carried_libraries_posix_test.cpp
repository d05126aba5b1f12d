#include "update/carried_libraries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "db/shared_library.h"
#include "seams/platform_names.h"
#include "sys/error.h"
#include "tests/support/carried_library.h"
#include "tests/support/holding_child_posix.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

using testing::Carried;
using testing::Names;

TEST(CarriedLibrariesTest, AnExistingFileIsNeverReplaced) {
  testing::TempFolder folder;
  const std::string client = folder / kPlatformClientLibName;
  testing::WriteFile(client, "an older client library");
  ASSERT_EQ(::chmod(client.c_str(), 0444), 0);
  // A dangling link counts as present too: it is someone's choice.
  fs::create_symlink("elsewhere.so", folder / kPlatformScriptLibName);

  WriteCarriedLibraries(folder.path());
  EXPECT_EQ(testing::ReadFile(client), "an older client library");
  EXPECT_EQ(fs::read_symlink(folder / kPlatformScriptLibName), "elsewhere.so");
  EXPECT_EQ(Names(folder.path()).size(), 2u);

  fs::remove(client);
  WriteCarriedLibraries(folder.path());
  EXPECT_EQ(testing::ReadFile(client), Carried("fbclient"));
}

TEST(CarriedLibrariesTest, AFolderThatCannotBeWrittenNamesTheFile) {
  testing::TempFolder folder;
  const std::string locked = folder / "locked";
  fs::create_directory(locked);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  const int code = testing::RunAsNobody([&] {
    try {
      WriteCarriedLibraries(locked);
    } catch (const Error& e) {
      return std::string(e.what()) == "Cannot create file " + locked + "/" + kPlatformClientLibName
                 ? 0
                 : 2;
    }
    return 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(Names(locked).empty());
}

}  // namespace
}  // namespace updater
