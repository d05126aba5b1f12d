#include "app/run_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/local_time.h"
#include "sys/clock.h"
#include "sys/error.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using namespace std::chrono;
using testing::FakeClock;
using testing::ScopedEnv;
using testing::TempFolder;

Clock::TimePoint At(int y, unsigned mo, unsigned d, int h, int mi, int s) {
  return sys_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi} + seconds{s};
}

// Fixed zone and locale, so that the stamps are known: "C" writes 01/05/07 and 14:03:09.
class RunLogTest : public ::testing::Test {
 protected:
  RunLogTest() : clock_(At(2007, 1, 5, 14, 3, 9)) {}

  RunLog MakeLog() {
    return RunLog(clock_, folder_.path(),
                  [this](const std::string& line) { lines_.push_back(line); });
  }

  ScopedEnv tz_{"TZ", "UTC0"};
  ScopedEnv lc_all_{"LC_ALL", "C"};
  TempFolder folder_;
  FakeClock clock_;
  std::vector<std::string> lines_;
};

TEST_F(RunLogTest, CreatesTheFileNamedByLocalTimeEmptyInLogs) {
  RunLog log = MakeLog();
  EXPECT_EQ(log.LogFile(), folder_.path() + "/Logs/050107-140309_Updater.log");
  EXPECT_TRUE(std::filesystem::is_regular_file(log.LogFile()));
  EXPECT_EQ(std::filesystem::file_size(log.LogFile()), 0u);
}

TEST_F(RunLogTest, FileNameFollowsTheLocalZone) {
  ScopedEnv east("TZ", "XYZ-3");  // three hours ahead of UTC
  RunLog log = MakeLog();
  EXPECT_EQ(std::filesystem::path(log.LogFile()).filename(), "050107-170309_Updater.log");
}

TEST_F(RunLogTest, CreatesMissingParentsAndTruncatesAnOldFile) {
  std::string base = folder_.path() + "/a/b";
  std::filesystem::create_directories(base + "/Logs");
  std::ofstream(base + "/Logs/050107-140309_Updater.log") << "old contents";
  RunLog log(clock_, base, nullptr);
  EXPECT_EQ(std::filesystem::file_size(log.LogFile()), 0u);

  RunLog deeper(clock_, folder_.path() + "/x/y/z", nullptr);
  EXPECT_TRUE(std::filesystem::is_regular_file(deeper.LogFile()));
}

TEST_F(RunLogTest, CreationFailureNamesThePath) {
  // A file where the log folder should go: neither the folder nor the log can be made.
  std::ofstream(folder_.path() + "/Logs") << "in the way";
  try {
    MakeLog();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(folder_.path() + "/Logs/050107-140309_Updater.log"),
              std::string::npos)
        << e.what();
  }
}

TEST_F(RunLogTest, TwoEntriesInARowAreJoinedByCrLfCr) {
  RunLog log = MakeLog();
  log.SaveExceptionToLog("first");
  clock_.Advance(seconds(61));
  log.SaveExceptionToLog("second");
  EXPECT_EQ(testing::ReadFile(log.LogFile()),
            "\r01/05/07 - 14:03:09: first\r\n\r01/05/07 - 14:04:10: second\r\n");
  EXPECT_EQ(lines_, (std::vector<std::string>{"01/05/07 - 14:03:09: first",
                                              "01/05/07 - 14:04:10: second"}));
}

// One entry: the bytes it adds to the file, and the lines it shows on the screen.
struct EntryCase {
  const char* name;
  std::string text;
  std::string file;
  std::vector<std::string> lines;
};

class RunLogEntryTest : public RunLogTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(RunLogEntryTest, WritesTheFileBytesAndShowsTheLines) {
  RunLog log = MakeLog();
  log.SaveExceptionToLog(GetParam().text);
  EXPECT_EQ(testing::ReadFile(log.LogFile()), GetParam().file);
  EXPECT_EQ(lines_, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RunLogEntryTest,
    ::testing::Values(EntryCase{"TwoLines",
                                "A\r\nB",
                                "\r01/05/07 - 14:03:09: A\r\nB\r\n",
                                {"01/05/07 - 14:03:09: A", "\tB"}},
                      // A trailing break adds no line but stays in the file.
                      EntryCase{"TrailingBreak",
                                "done\r\n",
                                "\r01/05/07 - 14:03:09: done\r\n\r\n",
                                {"01/05/07 - 14:03:09: done"}},
                      EntryCase{"LoneLineBreakEndsInTheStamp",
                                "\r\n",
                                "\r01/05/07 - 14:03:09: \r\n\r\n",
                                {"01/05/07 - 14:03:09: "}},
                      // Lone CR and LF break the screen lines but not the file text.
                      EntryCase{"LoneCrAndLf",
                                "a\rb\nc",
                                "\r01/05/07 - 14:03:09: a\rb\nc\r\n",
                                {"01/05/07 - 14:03:09: a", "\tb", "\tc"}},
                      EntryCase{"Utf8Unchanged",
                                "Обновление завершено",
                                "\r01/05/07 - 14:03:09: Обновление завершено\r\n",
                                {"01/05/07 - 14:03:09: Обновление завершено"}}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

TEST_F(RunLogTest, EmptyTextWritesNothing) {
  RunLog log = MakeLog();
  log.SaveExceptionToLog("before");
  lines_.clear();
  try {
    log.SaveExceptionToLog("");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (0)");
  }
  EXPECT_TRUE(lines_.empty());
  EXPECT_EQ(testing::ReadFile(log.LogFile()), "\r01/05/07 - 14:03:09: before\r\n");
}

TEST_F(RunLogTest, LostFileRaisesWithItsPathAfterTheScreenLines) {
  RunLog log = MakeLog();
  std::filesystem::remove(log.LogFile());
  try {
    log.SaveExceptionToLog("x\r\ny");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(log.LogFile()), std::string::npos) << e.what();
  }
  EXPECT_EQ(lines_, (std::vector<std::string>{"01/05/07 - 14:03:09: x", "\ty"}));
  // Appending never recreates the file behind the operator's back.
  EXPECT_FALSE(std::filesystem::exists(log.LogFile()));
}

TEST_F(RunLogTest, FileReplacedByAFolderRaises) {
  RunLog log = MakeLog();
  std::filesystem::remove(log.LogFile());
  std::filesystem::create_directory(log.LogFile());
  EXPECT_THROW(log.SaveExceptionToLog("x"), Error);
}

TEST_F(RunLogTest, UnknownLocaleFallsBackToC) {
  ScopedEnv bogus("LC_ALL", "xx_NOWHERE.UTF-8");
  EXPECT_EQ(ShortDateText(clock_.Now()), "01/05/07");
  EXPECT_EQ(LongTimeText(clock_.Now()), "14:03:09");
}

}  // namespace
}  // namespace updater

namespace updater {
namespace {

// The regional formats follow the locale the environment names; the locales come from
// scripts/setup.
class RegionalFormatTest : public ::testing::Test {
 protected:
  Clock::TimePoint at_ = std::chrono::sys_days{std::chrono::year{2007} / 1 / 5} +
                         std::chrono::hours{14} + std::chrono::minutes{3} + std::chrono::seconds{9};
  testing::ScopedEnv tz_{"TZ", "UTC0"};
  testing::ScopedEnv all_{"LC_ALL", nullptr};
  testing::ScopedEnv time_{"LC_TIME", nullptr};
  testing::ScopedEnv lang_{"LANG", nullptr};
};

TEST_F(RegionalFormatTest, GermanShortDate) {
  testing::ScopedEnv lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(ShortDateText(at_), "05.01.2007");
  EXPECT_EQ(LongTimeText(at_), "14:03:09");
}

TEST_F(RegionalFormatTest, LcAllBeforeLcTimeBeforeLang) {
  testing::ScopedEnv lang("LANG", "de_DE.UTF-8");
  testing::ScopedEnv time("LC_TIME", "C");
  EXPECT_EQ(ShortDateText(at_), "01/05/07");
  testing::ScopedEnv all("LC_ALL", "de_DE.UTF-8");
  EXPECT_EQ(ShortDateText(at_), "05.01.2007");
}

TEST_F(RegionalFormatTest, EightBitLocaleTextIsConvertedToUtf8) {
  testing::ScopedEnv all("LC_ALL", "zh_CN.GB2312");
  EXPECT_EQ(LongTimeText(at_), "14时03分09秒");
}

TEST_F(RegionalFormatTest, NoLocaleSetMeansC) {
  EXPECT_EQ(ShortDateText(at_), "01/05/07");
  EXPECT_EQ(LongTimeText(at_), "14:03:09");
}

}  // namespace
}  // namespace updater
