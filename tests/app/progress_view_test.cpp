#include "app/progress_view.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/cli_operator.h"
#include "app/cli_progress.h"
#include "messages/ldm.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using namespace std::chrono;

class ProgressViewTest : public ::testing::Test {
 protected:
  void SetUp() override { ChangeLanguage(3); }
  testing::FakeClock clock_;
};

TEST_F(ProgressViewTest, FiguresAndShareOfEachKindOfStep) {
  struct Case {
    ProgressState state;
    milliseconds elapsed;
    std::string figures;
    int permille;
  };
  using U = ProgressUnit;
  const Case cases[] = {
      {{"wait", U::None, 0, 0, 0, 0, {}}, 3s, "", -1},
      {{"wait", U::Seconds, 30, 0, 0, 0, {}}, 0s, "0/30 s", 0},
      // A scaled wait: 12 nominal seconds in 0.24 real ones is too early for a rate...
      {{"wait", U::Seconds, 30, 0, 12, 0, {}}, 240ms, "12/30 s", 400},
      // ...and later the time left follows the real pace.
      {{"wait", U::Seconds, 30, 0, 12, 0, {}}, 12s, "12/30 s  0:18 left", 400},
      {{"poll", U::Seconds, 0, 0, 7, 0, {}}, 7s, "7 s", -1},
      // Bytes decide a copy's share and pace: the big file is most of its time.
      {{"copy", U::Files, 20000, 40'000'000, 19999, 10'000'000, {}},
       2s,
       "19999/20000 files  10.0/40.0 MB  5.0 MB/s  0:06 left",
       250},
      {{"copy", U::Files, 10, 0, 5, 0, {}}, 1s, "5/10 files  5/s  0:01 left", 500},
      {{"script", U::Statements, 0, 0, 240, 0, {}}, 4s, "240 statements  60/s", -1},
      {{"unpack", U::Parts, 3, 0, 2, 0, {}}, 1s, "2/3  0:01 left", 666},
      {{"long", U::Seconds, 9000, 0, 1, 0, {}}, 1s, "1/9000 s  2:29:59 left", 0},
  };
  for (const Case& c : cases) {
    ProgressState state = c.state;
    state.started = clock_.Now();
    SCOPED_TRACE(c.figures);
    EXPECT_EQ(ProgressFigures(state, clock_.Now() + c.elapsed), c.figures);
    EXPECT_EQ(ProgressPermille(state), c.permille);
  }
  ChangeLanguage(4);
  ProgressState copy{"copy", U::Files, 4, 0, 1, 0, clock_.Now()};
  EXPECT_EQ(ProgressFigures(copy, clock_.Now() + 1s), "1/4 Dateien  1/s  noch 0:03");
}

TEST_F(ProgressViewTest, TerminalLineIsRewrittenInPlaceAtMostTenTimesASecond) {
  std::ostringstream err;
  CliProgress progress(clock_, err, ProgressStyle::Line, [] { return 30; });
  progress.Begin("Copying the folder /opt/OVN/DunVeld/Program", ProgressUnit::Files, 100, 0);
  for (int i = 1; i <= 50; ++i) progress.Advance(i, 0);  // no time passes: no redraw
  clock_.Advance(100ms);
  progress.Advance(51, 0);
  progress.End();
  // Within the terminal's width less one, the figures whole and the text shortened in its
  // middle, each line erasing what stood behind it.
  EXPECT_EQ(err.str(),
            "\rCopyin...Program  0/100 files\033[K"
            "\rCopyin...rogram  51/100 files\033[K"
            "\r\033[K");
}

TEST_F(ProgressViewTest, PlainProgressPrintsOneLinePerStep) {
  std::ostringstream err;
  CliProgress progress(clock_, err, ProgressStyle::Plain);
  for (const char* text : {"Stopping", "Running"}) {
    progress.Begin(text, ProgressUnit::Seconds, 30, 0);
    clock_.Advance(1s);
    progress.Advance(1, 0);
    progress.End();
  }
  EXPECT_EQ(err.str(), "Stopping  0/30 s\nRunning  0/30 s\n");
}

// A log line, a box or a question never lands behind a progress line; the line comes back
// with the next advance.
TEST_F(ProgressViewTest, OperatorOutputTakesTheLineAwayFirst) {
  testing::ScopedEnv tz{"TZ", "UTC0"};
  testing::TempFolder folder;
  std::istringstream in;
  std::ostringstream out, err;
  CliOperator op(clock_, folder.path(), in, out, err, true);
  CliProgress progress(clock_, err, ProgressStyle::Line);
  op.SetProgressLine(&progress);
  progress.Begin("step", ProgressUnit::None, 0, 0);
  op.SaveExceptionToLog("entry");
  op.ShowMessage(DialogKind::Information, "Updater", "box");
  progress.Advance(1, 0);
  progress.End();
  EXPECT_EQ(err.str(), "\rstep\033[K\r\033[KUpdater [Information]: box\n\rstep\033[K\r\033[K");
  EXPECT_NE(out.str().find(": entry\n"), std::string::npos);
  EXPECT_EQ(out.str().find('\033'), std::string::npos);
}

TEST(TerminalTextTest, CutsAndElidesBetweenCharactersNotBytes) {
  EXPECT_EQ(FirstCharacters("Копирование", 4), "Копи");
  EXPECT_EQ(ElideMiddle("Копирование папки", 9), "Коп...пки");
  EXPECT_EQ(ElideMiddle("Копирование папки", 17), "Копирование папки");
}

}  // namespace
}  // namespace updater
