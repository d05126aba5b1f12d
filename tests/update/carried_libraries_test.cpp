#include "update/carried_libraries.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/shared_library.h"
#include "seams/platform_names.h"
#include "sys/error.h"
#include "tests/support/carried_library.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

using testing::Carried;
using testing::Names;

TEST(CarriedLibrariesTest, BothAreWrittenWhenAbsentAndTheScriptLibraryLoads) {
  testing::TempFolder folder;
  WriteCarriedLibraries(folder.path());

  const std::string client = folder / kPlatformClientLibName;
  const std::string script = folder / kPlatformScriptLibName;
  EXPECT_EQ(testing::ReadFile(script), Carried("ibescript"));
#ifdef UPDATER_TEST_FBCLIENT
  EXPECT_EQ(Names(folder.path()),
            (std::vector<std::string>{kPlatformClientLibName, kPlatformScriptLibName}));
  ASSERT_GT(Carried("fbclient").size(), 100000u);
  EXPECT_EQ(testing::ReadFile(client), Carried("fbclient"));
  EXPECT_EQ(testing::ReadFile(client), testing::ReadFile(UPDATER_TEST_FBCLIENT));
#else
  // A build given no client library (the Windows one here) carries none and writes none.
  EXPECT_FALSE(Carried("fbclient").size());
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{kPlatformScriptLibName});
#endif
  // The written script library is a working one: it loads and has its three entries.
  db::SharedLibrary loaded(script, "The script library");
  for (const char* entry : {"Connect", "ExecScriptFile", "ExecScriptText"}) {
    EXPECT_NE(loaded.Symbol(entry), nullptr) << entry;
  }
}

}  // namespace
}  // namespace updater
