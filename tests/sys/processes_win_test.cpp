#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/file_copy.h"
#include "sys/path.h"
#include "sys/processes.h"
#include "sys/run_program.h"
#include "sys/win_handle.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

// The test child under a name of the test's choosing, in a folder with a blank in its name.
class WindowsProgramTest : public ::testing::Test {
 protected:
  std::string Child(const std::string& name) {
    const std::string folder = folder_ / "bin dir";
    CreateDirectoryW(win::Utf16(folder).c_str(), nullptr);
    const std::string path = JoinPath(folder, name);
    EXPECT_TRUE(ForceCopyFile(JoinPath(ExecutableFolder(), "updater_test_child.exe"), path));
    return path;
  }
  std::vector<std::string> Where() {
    std::vector<std::string> lines;
    std::istringstream in(testing::ReadFile(folder_ / "bin dir\\where.txt"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  win::UniqueHandle StartStaying(const std::string& program) {
    std::wstring line = win::Utf16("\"" + program + "\" stay");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    EXPECT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &started));
    ::CloseHandle(started.hThread);
    return win::UniqueHandle(started.hProcess);
  }
  static bool Ended(const win::UniqueHandle& process, DWORD within_ms) {
    return ::WaitForSingleObject(process.get(), within_ms) == WAIT_OBJECT_0;
  }

  testing::TempFolder folder_;
  testing::RecordingOperator op_;
};

TEST_F(WindowsProgramTest, RunsARelativeProgramInItsOwnFolderWithItsWordsAndExitCode) {
  Child("tool.exe");
  int code = -1;
  {
    testing::ScopedCurrentDirectory cwd(folder_.path());
    code = RunAndWait(op_, "bin dir\\tool.exe", " code 7 \"a b\" -x\\\"y", SW_HIDE);
  }
  EXPECT_EQ(code, 7);
  const std::vector<std::string> expected = {
      FullPath(folder_ / "bin dir"), "4", "[code]", "[7]", "[a b]", "[-x\"y]"};
  EXPECT_EQ(Where(), expected);
  EXPECT_EQ(op_.pumps, 2);
}

TEST_F(WindowsProgramTest, RaisesTheStartErrorWhenTheProgramCannotStart) {
  testing::WriteFile(folder_ / "plain.txt", "not a program");
  for (const std::string& program : {folder_ / "missing.exe", folder_ / "plain.txt"}) {
    try {
      RunAndWait(op_, program, std::nullopt, SW_HIDE);
      ADD_FAILURE() << program << " started";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Unable to run an external program!");
    }
  }
  EXPECT_EQ(op_.pumps, 0);
}

TEST_F(WindowsProgramTest, KillsEveryProcessOfThatNameWithoutRegardToCaseOnly) {
  const std::string name = "UpdTestSleeper" + std::to_string(::GetCurrentProcessId()) + ".exe";
  const std::string other = "Upd" + std::to_string(::GetCurrentProcessId()) + "Bystander.exe";
  const std::string program = Child(name);
  win::UniqueHandle first = StartStaying(program);
  win::UniqueHandle second = StartStaying(program);
  win::UniqueHandle bystander = StartStaying(Child(other));
  ASSERT_TRUE(first.ok() && second.ok() && bystander.ok());

  EXPECT_EQ(KillProcessByName("updtestsleeper" + std::to_string(::GetCurrentProcessId())), -1);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(KillProcessByName(upper), 1);
  EXPECT_TRUE(Ended(first, 10000));
  EXPECT_TRUE(Ended(second, 10000));
  EXPECT_FALSE(Ended(bystander, 200));
  EXPECT_EQ(KillProcessByName(name), -1);
  EXPECT_EQ(KillProcessByName(other), 1);
  EXPECT_TRUE(Ended(bystander, 10000));
}

TEST_F(WindowsProgramTest, NeverEndsItsOwnProcess) {
  wchar_t own[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_EQ(KillProcessByName(FileNamePart(win::Utf8(std::wstring(own, n)))), -1);
}

TEST(WindowsDebugPrivilegeTest, AgreesWithTheTokensPrivileges) {
  const bool granted = SetDebugPrivilege(true);
  HANDLE raw = nullptr;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw));
  win::UniqueHandle token(raw);
  LUID debug;
  ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &debug));
  PRIVILEGE_SET wanted{};
  wanted.PrivilegeCount = 1;
  wanted.Privilege[0].Luid = debug;
  BOOL enabled = FALSE;
  ASSERT_TRUE(::PrivilegeCheck(token.get(), &wanted, &enabled));
  EXPECT_EQ(granted, enabled != FALSE);
}

}  // namespace
}  // namespace updater
