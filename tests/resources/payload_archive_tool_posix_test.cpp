// The build's archive tool, run as the build runs it: a shell script, so only where bash is.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

namespace updater {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string output;
};

Result Tool(const std::string& args) {
  const std::string command =
      "bash " UPDATER_SOURCE_DIR "/resources/tools/make-payload-archive " + args + " 2>&1";
  Result result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
    result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(PayloadArchiveToolTest, AFolderLackingARequiredFileStopsWithItsName) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "payload/script.sql", "select 1 from rdb$database;");
  const Result r = Tool(folder / "payload" + " " + folder / "out/files.exe script.sql DunVeld.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("lacks DunVeld.exe"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(folder / "out/files.exe"));
}

TEST(PayloadArchiveToolTest, BuildsAnArchiveThatPassesItsCheckAndRefusesADamagedOne) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "payload/script.sql", "select 1 from rdb$database;");
  testing::WriteFile(folder / "payload/DunVeld.exe", std::string(200000, 'x'));
  const std::string archive = folder / "out/files.exe";
  ASSERT_EQ(Tool(folder / "payload" + " " + archive + " script.sql").code, 0);
  EXPECT_EQ(Tool("--check " + archive + " script.sql DunVeld.exe").code, 0);
  // The check asks for every file it is told of.
  const Result lacking = Tool("--check " + archive + " Sys_Roles.sql");
  EXPECT_EQ(lacking.code, 1);
  EXPECT_NE(lacking.output.find("lacks Sys_Roles.sql"), std::string::npos) << lacking.output;

  const std::string whole = testing::ReadFile(archive);
  testing::WriteFile(folder / "cut.exe", whole.substr(0, whole.size() - 1000));
  const Result cut = Tool("--check " + folder / "cut.exe");
  EXPECT_EQ(cut.code, 1);
  EXPECT_NE(cut.output.find("ended with exit code"), std::string::npos) << cut.output;

  // Only plain files are packed.
  fs::create_directories(folder / "payload/sub");
  EXPECT_EQ(Tool(folder / "payload" + " " + folder / "out/other.exe").code, 1);
}

}  // namespace
}  // namespace updater
