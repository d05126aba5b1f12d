#include "sys/processes.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <random>

#include "tests/support/holding_child_posix.h"

namespace updater {
namespace {

// A copy of sleep under a name no other process on the machine has.
std::string UniqueSleeper(const testing::TempFolder& folder, const std::string& stem) {
  std::string name = stem + std::to_string(std::random_device{}() % 100000);
  std::filesystem::copy_file("/usr/bin/sleep", folder / name);
  return name;
}

TEST(KillProcessByNameTest, EndsAProcessByNameWithoutRegardToCase) {
  testing::TempFolder folder;
  std::string name = UniqueSleeper(folder, "SlEeP");
  testing::HoldingChild child(testing::Running(folder / name));
  ASSERT_TRUE(child.started());
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  EXPECT_EQ(KillProcessByName(upper.substr(0, upper.size() - 1)), -1) << "a part of the name";
  EXPECT_TRUE(child.Alive());
  EXPECT_EQ(KillProcessByName(upper), 1);
  int status = child.Wait();
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
  EXPECT_EQ(KillProcessByName(upper), -1) << "nothing left to end";
}

TEST(KillProcessByNameTest, EndsEveryMatchAndFindsProcessesStartedThroughALink) {
  testing::TempFolder folder;
  std::string name = UniqueSleeper(folder, "srv");
  // The link name is unique too: the fixture's own server may run on this machine.
  const std::string link = "fbsrv" + std::to_string(std::random_device{}() % 100000) + ".exe";
  std::filesystem::create_directory(folder / "bin");
  std::filesystem::create_symlink(folder / name, folder / ("bin/" + link));
  testing::HoldingChild first(testing::Running(folder / ("bin/" + link)));
  testing::HoldingChild second(testing::Running(folder / ("bin/" + link)));
  ASSERT_TRUE(first.started() && second.started());
  // Both are found under the link's name and under the executable's own.
  EXPECT_EQ(KillProcessByName(name), 1);
  EXPECT_TRUE(WIFSIGNALED(first.Wait()));
  EXPECT_TRUE(WIFSIGNALED(second.Wait()));

  testing::HoldingChild third(testing::Running(folder / ("bin/" + link)));
  ASSERT_TRUE(third.started());
  std::string mixed = link;
  for (std::size_t i = 0; i < mixed.size(); i += 2)
    mixed[i] = static_cast<char>(std::toupper(mixed[i]));
  EXPECT_EQ(KillProcessByName(mixed), 1);
  EXPECT_TRUE(WIFSIGNALED(third.Wait()));
}

TEST(KillProcessByNameTest, ALongNameIsMatchedWholeNotByItsCutShortForm) {
  testing::TempFolder folder;
  std::string name = UniqueSleeper(folder, "VeryLongSleeperName");
  testing::HoldingChild child(testing::Running(folder / name));
  ASSERT_TRUE(child.started());
  EXPECT_EQ(KillProcessByName(name.substr(0, 15)), -1);
  EXPECT_TRUE(child.Alive());
  EXPECT_EQ(KillProcessByName(name), 1);
  EXPECT_TRUE(WIFSIGNALED(child.Wait()));
}

TEST(KillProcessByNameTest, NeverEndsItsOwnProcess) {
  std::string own = "selfname" + std::to_string(std::random_device{}() % 10000000);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_NAME, own.c_str());
    int result = KillProcessByName(own);
    ::_exit(result == -1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "the process ended itself";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SetDebugPrivilegeTest, ReportsWhetherOtherUsersProcessesMayBeEnded) {
  if (::geteuid() == 0) {
    EXPECT_TRUE(SetDebugPrivilege(true));
    EXPECT_TRUE(SetDebugPrivilege(false));
  }
  // An ordinary user may not: checked in a child that drops root.
  int code = testing::RunAsNobody([] { return SetDebugPrivilege(true) ? 1 : 0; });
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace updater
