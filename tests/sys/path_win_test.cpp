#include <gtest/gtest.h>

#include "sys/calendar_time.h"
#include "sys/drive_type.h"
#include "sys/executable_folder.h"
#include "sys/path.h"
#include "sys/utf16_win.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

struct RootCase {
  const char* path;
  std::size_t root;
};

TEST(WindowsPathTest, RootsOfDrivesSharesAndLongPaths) {
  const RootCase cases[] = {
      {"C:\\", 3},
      {"c:/DunVeld", 3},
      {"C:", 0},  // the drive's current folder, not its root
      {"C:DunVeld", 0},
      {"\\DunVeld", 0},
      {"DunVeld\\Program", 0},
      {"\\\\server\\share", 14},
      {"\\\\server\\share\\DunVeld", 15},
      {"//server/share/", 15},
      {"\\\\server", 0},
      {"\\\\server\\", 0},
      {"\\\\?\\C:\\DunVeld", 7},
      {"\\\\?\\UNC\\server\\share\\x", 8},
      {"", 0},
  };
  for (const RootCase& c : cases) {
    EXPECT_EQ(RootLength(c.path), c.root) << c.path;
    EXPECT_EQ(IsAbsolutePath(c.path), c.root > 0) << c.path;
  }
}

TEST(WindowsPathTest, JoinsFoldsAndSplitsWithBackslashes) {
  EXPECT_EQ(JoinPath("C:\\OVN\\DunVeld", "Program"), "C:\\OVN\\DunVeld\\Program");
  EXPECT_EQ(JoinPath("C:\\", "OVN"), "C:\\OVN");
  EXPECT_EQ(ExcludeTrailingSeparator("C:\\"), "C:\\");
  EXPECT_EQ(ExcludeTrailingSeparator("\\\\server\\share\\"), "\\\\server\\share\\");
  EXPECT_EQ(ExcludeTrailingSeparator("C:\\OVN\\/"), "C:\\OVN");
  EXPECT_EQ(FolderPart("C:\\DunVeld.exe"), "C:\\");
  EXPECT_EQ(FolderPart("C:/OVN/DunVeld.exe"), "C:/OVN");
  EXPECT_EQ(FileNamePart("C:/OVN\\DunVeld.exe"), "DunVeld.exe");
  EXPECT_EQ(FullPath("C:\\OVN\\.\\x\\..\\DunVeld\\"), "C:\\OVN\\DunVeld\\");
  EXPECT_EQ(FullPath("C:/OVN/../../.."), "C:\\");
  EXPECT_EQ(FullPath("\\\\server\\share\\a\\..\\b"), "\\\\server\\share\\b");
  EXPECT_EQ(MaxPathLength(), 259u);
  // Rooted without a drive: on the current drive, wherever the current folder is.
  const std::string current = CurrentDirectory();
  const std::string drive_root = current.substr(0, RootLength(current));
  EXPECT_EQ(FullPath("\\nowhere\\x"), drive_root + "nowhere\\x");
  EXPECT_EQ(FullPath("/nowhere/"), drive_root + "nowhere\\");
}

TEST(WindowsDriveTypeTest, TheTemporaryFolderLiesOnAFixedDrive) {
  testing::TempFolder folder;
  const std::string root = DrivePart(folder.path());
  ASSERT_EQ(RootLength(root), root.size()) << root;
  EXPECT_EQ(DriveTypeOfRoot(root), DriveType::Fixed);
  EXPECT_EQ(DrivePart(folder / "missing"), "");
  // A letter that names no drive in this system.
  std::string unused;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Z'; letter > 'C' && unused.empty(); --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) unused = std::string(1, letter) + ":\\";
  }
  ASSERT_FALSE(unused.empty());
  EXPECT_EQ(DriveTypeOfRoot(unused), DriveType::NoRootDir);
}

TEST(WindowsCalendarTimeTest, AgreesWithTheRuntimesLocalTime) {
  // Winter and summer dates, so that a summer-time rule of the zone shows.
  for (std::int64_t seconds : {1609459200LL + 3723, 1625097600LL + 45296, 4102444800LL - 1}) {
    const auto t = Clock::TimePoint(std::chrono::seconds(seconds));
    const __time64_t raw = seconds;
    std::tm expected{};
    ASSERT_EQ(::_localtime64_s(&expected, &raw), 0);
    const CalendarTime got = LocalCalendarTime(t);
    EXPECT_EQ(got.year, expected.tm_year + 1900) << seconds;
    EXPECT_EQ(got.month, expected.tm_mon + 1) << seconds;
    EXPECT_EQ(got.day, expected.tm_mday) << seconds;
    EXPECT_EQ(got.hour, expected.tm_hour) << seconds;
    EXPECT_EQ(got.minute, expected.tm_min) << seconds;
    EXPECT_EQ(got.second, expected.tm_sec) << seconds;
  }
}

TEST(WindowsExecutableFolderTest, IsTheFolderOfThisProgram) {
  wchar_t own[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(IncludeTrailingSeparator(ExecutableFolder()),
            IncludeTrailingSeparator(FolderPart(win::Utf8(std::wstring(own, n)))));
}

}  // namespace
}  // namespace updater
