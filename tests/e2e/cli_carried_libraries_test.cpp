// The front end writes the libraries it carries beside itself at start, before its run log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "seams/platform_names.h"
#include "tests/e2e/cli_process.h"
#include "tests/support/carried_library.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

using testing::Carried;

TEST(CliCarriedLibrariesTest, AnEngineCommandWritesTheMissingLibraryAndKeepsTheExistingOne) {
  testing::TempFolder folder;
  const fs::path bin = fs::path(folder.path()) / "bin";
  const fs::path cli = testing::CopyOfBuiltCli(bin);
  std::ofstream(bin / kPlatformClientLibName) << "the site's own client library";

  // Any engine command does it; this one then fails on the missing product folder.
  testing::ProcessResult r = testing::RunProcess(cli, {"online", "--product-dir", "/nowhere"},
                                                 folder.path(), "", "LC_ALL=C");
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(testing::ReadFile((bin / kPlatformScriptLibName).string()), Carried("ibescript"));
  EXPECT_EQ(testing::ReadFile((bin / kPlatformClientLibName).string()),
            "the site's own client library");
  EXPECT_TRUE(fs::is_directory(bin / "Logs"));
}

}  // namespace
}  // namespace updater
