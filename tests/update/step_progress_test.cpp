// What the engine's long steps report: tree copies, fixed waits, the payload archive.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "messages/ldm.h"
#include "sys/progress_pause.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_progress.h"
#include "tests/support/temp_folder.h"
#include "update/folder_ops.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Counts = std::vector<std::uint64_t>;

class StepProgressTest : public ::testing::Test {
 protected:
  void SetUp() override { ChangeLanguage(3); }

  // Five files in three folders and a link: 6 entries, 70 MB + 4 bytes, the large file
  // large enough to move in more than one piece. Where links cannot be made (Wine), 5 entries.
  std::uint64_t MakeTree(const std::string& root) {
    for (const char* file : {"/a.txt", "/Program/b.txt", "/Program/Sub/c.txt", "/Program/e"})
      testing::WriteFile(root + file, std::string(file).substr(1, 1));
    testing::WriteFile(root + "/DB_Data/big.fdb", std::string(70'000'000, 'x'));
    std::error_code no_link;
    fs::create_symlink("a.txt", root + "/link", no_link);
    return no_link ? 5 : 6;
  }

  testing::TempFolder folder;
};

TEST_F(StepProgressTest, TreeCopyCountsFilesAndBytesUpToItsMeasuredTotal) {
  const std::string source = folder / "src";
  const std::uint64_t entries = MakeTree(source);
  testing::RecordingProgress progress;
  MyCopyDir(progress, source, folder / "dest");

  ASSERT_EQ(progress.steps.size(), 1u);
  const auto& step = progress.steps[0];
  EXPECT_EQ(step.text, "Copying the folder " + source);
  EXPECT_EQ(step.total, entries);
  EXPECT_EQ(step.total_bytes, 70'000'004u);
  ASSERT_FALSE(step.done.empty());
  EXPECT_TRUE(std::is_sorted(step.done.begin(), step.done.end()));
  EXPECT_TRUE(std::is_sorted(step.bytes.begin(), step.bytes.end()));
  EXPECT_EQ(step.done.back(), entries);
  EXPECT_EQ(step.bytes.back(), 70'000'004u);
  // The large file shows progress of its own: bytes move while the file count stands still.
  // Wine's copy reports no progress within a file, so there the file counts whole at its end.
  if (testing::UnderWine()) return;
  std::size_t inside_a_file = 0;
  for (std::size_t i = 1; i < step.done.size(); ++i)
    if (step.done[i] == step.done[i - 1] && step.bytes[i] > step.bytes[i - 1]) ++inside_a_file;
  EXPECT_GE(inside_a_file, 1u);
}

TEST_F(StepProgressTest, FixedWaitsCountTheirSecondsOnlyWhileWatched) {
  struct Case {
    int ms;
    bool watched;
    std::vector<milliseconds> sleeps;
    std::uint64_t total;
    Counts done;
  };
  const milliseconds s{1000};
  const Case cases[] = {
      {3000, true, {s, s, s}, 3, {1, 2, 3}},
      {2500, true, {s, s, milliseconds(500)}, 3, {1, 2, 3}},
      {30000, false, {milliseconds(30000)}, 0, {}},
      {800, true, {milliseconds(800)}, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.ms) + (c.watched ? " watched" : " unwatched"));
    testing::FakeClock clock;
    testing::RecordingProgress progress;
    progress.watching = c.watched;
    PauseShowingProgress(clock, progress, "settling", milliseconds(c.ms));
    EXPECT_EQ(clock.Sleeps(), c.sleeps);
    ASSERT_EQ(progress.steps.size(), 1u);
    EXPECT_EQ(progress.steps[0].total, c.total);
    EXPECT_EQ(progress.steps[0].done, c.done);
  }
}

}  // namespace
}  // namespace updater
