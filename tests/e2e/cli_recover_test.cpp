#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/cli_process.h"
#include "tests/support/temp_folder.h"
#include "update/run_journal.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunProcess;
using testing::TempFolder;

void WriteFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// The front end's own copy, so that its run log lands in a folder of this test; the product
// on a fixed disk, as a RAM disk would be refused.
class CliRecoverTest : public ::testing::Test {
 protected:
  CliRecoverTest() {
    cli_ = testing::CopyOfBuiltCli(fs::path(folder_.path()) / "bin");
    product_ = product_root_ / "DunVeld";
    temp_ = product_ + "/Tmp$091226101500";
    fs::create_directories(temp_);
    WriteFile(product_ + "/Program/DunVeld.exe", "old exe");
  }

  ProcessResult Run(const std::vector<std::string>& args) {
    return RunProcess(cli_, args, folder_.path(), "", "LC_ALL=C TZ=UTC0");
  }

  void WriteOpenJournal(JournalStage stage) {
    RunJournal j;
    j.stage = stage;
    j.product_dir = product_;
    j.temp_dir = temp_;
    j.has_client = true;
    WriteJournal(j);
  }

  TempFolder folder_;
  fs::path cli_;
  TempFolder product_root_;
  std::string product_;
  std::string temp_;
};

TEST_F(CliRecoverTest, NothingToRecoverEndsWell) {
  ProcessResult r = Run({"recover", "--product-dir", product_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "there is nothing to recover")) << r.out;
}

TEST_F(CliRecoverTest, RecoverFinishesAnUnfinishedRunOnce) {
  WriteOpenJournal(JournalStage::ProgramCopyBegun);
  WriteFile(temp_ + "/Wrk/Program/DunVeld.exe", "new exe");
  // A client-only product: no server to start, the program is rolled forward.
  ProcessResult r = Run({"recover", "--product-dir", product_});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "it is the updated version")) << r.out;
  EXPECT_EQ(testing::ReadFile(product_ + "/Program/DunVeld.exe"), "new exe");

  r = Run({"recover", "--product-dir", product_});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(Contains(r.out, "there is nothing to recover")) << r.out;
}

TEST_F(CliRecoverTest, TruncatedJournalIsReportedAndNothingTouched) {
  WriteOpenJournal(JournalStage::ClientUpdated);
  const std::string path = temp_ + "/" + kJournalFileName;
  const std::string whole = testing::ReadFile(path);
  WriteFile(path, whole.substr(0, whole.size() - 3));
  WriteFile(temp_ + "/Old/Program/storage.ini", "storage");
  ProcessResult r = Run({"recover", "--product-dir", product_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(
      Contains(r.out, testing::NativeSeparators(path) + "\" cannot be used: it is truncated"))
      << r.out;
  EXPECT_FALSE(fs::exists(product_ + "/Program/storage.ini"));
  EXPECT_EQ(testing::ReadFile(path), whole.substr(0, whole.size() - 3));
}

}  // namespace
}  // namespace updater
