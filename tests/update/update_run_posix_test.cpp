#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "tests/support/holding_child_posix.h"
#include "tests/update/update_run_fixture.h"
#include "update/run_recovery.h"

namespace updater {
namespace {

using namespace update_run_testing;

// Cases that need another process holding a file, a link or a sparse file: POSIX facilities of
// the tests.
class UpdateRunPosixTest : public UpdateRunJournalTest {};

TEST_F(UpdateRunPosixTest, DatabaseHeldThroughTheSwapIsReportedAsFailure) {
  MakeProduct(true, true);
  std::unique_ptr<testing::HoldingChild> holder;
  // Another program opens the live database after the copies were taken.
  fake.before["#cleanup ADMN work"] = [&] {
    holder = std::make_unique<testing::HoldingChild>(testing::Opening(LiveDb()));
  };
  const std::string error = RunError();
  ASSERT_TRUE(holder && holder->started());

  const std::string db_path = "localhost/3051:" + LiveDb();
  EXPECT_EQ(Count(GetMessageText(msg::uUpdate_CopyFileWithBackUp_5, db_path)), 11);
  EXPECT_EQ(Count(GetMessageText(msg::uUpdate_CopyFileWithBackUp_3, db_path)), 1);
  EXPECT_EQ(error.rfind("The update was not completed: ", 0), 0u) << error;
  EXPECT_NE(error.find("The database was not replaced"), std::string::npos);
  EXPECT_NE(error.find("The Program folder was not updated."), std::string::npos);
  EXPECT_EQ(op.log.back(), T(msg::uUpdate_UpdateProgramm_49));
  EXPECT_FALSE(rolled_back);
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
  EXPECT_EQ(ReadFile(TempDir() + "/Wrk/DB_Data/DunVeld.fdb"), "updated database");
  EXPECT_EQ(ReadFile(product + "/Program/DunVeld.exe"), "old exe");
}

// A run whose swap failed half-way reports its failure, and its journal stays open for the
// recovery, which then brings the product to one version.
TEST_F(UpdateRunPosixTest, TooLittleFreeSpaceRestartsTheServerAndBringsTheDatabaseBack) {
  MakeProduct(false, true);
  // A sparse file far larger than the disk's free space (Windows allocates the whole length).
  std::filesystem::resize_file(FileSystemPath(LiveDb()), std::uintmax_t{1} << 42);
  const std::string error = RunError();
  EXPECT_EQ(error.rfind("Exception Message: To write the file to disk \"", 0), 0u) << error;
  EXPECT_EQ(error.find("\r"), std::string::npos) << "recorded once";
  const std::vector<std::string> log = RunLog();
  const std::vector<std::string> tail(log.end() - 6, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{T(msg::uUpdate_UpdateProgramm_26), "#kill",
                                            T(msg::uUpdate_UpdateProgramm_27),
                                            T(msg::uUpdate_UpdateProgramm_28), "#online live",
                                            T(msg::uUpdate_UpdateProgramm_29)}));
  EXPECT_EQ(TempDir(), "");

  // When the database cannot be brought back either, the operator is told how to do it.
  op = {};
  fake.fail["#online live"] = "server gone";
  const std::string both = RunError();
  EXPECT_EQ(both.substr(both.find('\r')),
            "\rException Message: " + T(msg::uUpdate_UpdateProgramm_31) +
                "\rOriginal Message: server gone");
  ASSERT_EQ(op.dialogs.size(), 2u);
  EXPECT_EQ(op.dialogs[1].kind, DialogKind::Error);
  EXPECT_EQ(op.dialogs[1].text, T(msg::uUpdate_UpdateProgramm_30));
}

TEST_F(UpdateRunPosixTest, HalfFinishedSwapOrRollbackIsLeftToTheRecovery) {
  std::unique_ptr<testing::HoldingChild> holder;
  const std::string held_exe = product + "/Program/DunVeld.exe";
  const struct {
    const char* name;
    bool client;
    JournalStage stage;
    JournalOutcome outcome;
    bool without_help_file;                 // the client step fails
    std::function<void()> before_cleanup;   // breaks the run while the database step runs
    std::function<void()> before_recovery;  // what the operator mends after the run
    const char* exe_after;                  // the client's version after the recovery
    const char* db_after;
  } cases[] = {
      {"database held through the swap", true, JournalStage::DatabaseSwapBegun,
       JournalOutcome::Failed, false,
       [&] { holder = std::make_unique<testing::HoldingChild>(testing::Opening(LiveDb())); },
       [&] { holder.reset(); }, "old exe", "old database"},
      {"program not replaced", true, JournalStage::ProgramCopyBegun, JournalOutcome::Failed, false,
       [&] {
         std::filesystem::remove(held_exe);
         WriteFile(held_exe + "/held", "");
       },
       [&] { std::filesystem::remove_all(held_exe); }, "new DunVeld.exe", "updated database"},
      {"rollback without the backup of a deleted file", true, JournalStage::DatabaseUpdated,
       JournalOutcome::RolledBack, true,
       [&] {
         // A backup that is only a link to the live file is gone once the client step deleted
         // that file.
         const std::string backup = TempDir() + "/Old/Program/Fr.dll";
         std::filesystem::remove(backup);
         std::filesystem::create_symlink(product + "/Program/Fr.dll", backup);
       },
       [&] {
         const std::string backup = TempDir() + "/Old/Program/Fr.dll";
         std::filesystem::remove(backup);
         WriteFile(backup, "fr");
       },
       "old exe", "old database"},
  };
  const std::vector<std::string> whole_payload = fake.payload;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(product);
    fake.before.clear();
    fake.payload = whole_payload;
    if (c.without_help_file)
      fake.payload = {"DunVeld.exe", "Sys_Roles.sql", "script.sql", "DV_UDF_u8.dll"};
    MakeProduct(c.client, true);
    fake.before["#cleanup ADMN work"] = c.before_cleanup;
    EXPECT_NE(RunError(), "<none>");
    const RunJournal j = Final();
    EXPECT_EQ(j.stage, c.stage);
    EXPECT_EQ(j.outcome, c.outcome);
    try {
      RefuseOverUnfinishedRun(product);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("ended \"" + OutcomeName(c.outcome) + "\" half-way"),
                std::string::npos)
          << e.what();
    }

    c.before_recovery();
    RecoverRunWith(fake, facilities, op, settings.profile, product, "masterkey",
                   settings.serverParams);
    EXPECT_EQ(Final().outcome, JournalOutcome::Recovered);
    EXPECT_EQ(ReadFile(held_exe), c.exe_after);
    EXPECT_EQ(ReadFile(LiveDb()), c.db_after);
    EXPECT_FALSE(Exists(LiveDb() + "_"));
    if (std::string(c.exe_after) == "old exe") {
      EXPECT_EQ(ReadFile(product + "/Program/storage.ini"), "storage");
      EXPECT_EQ(ReadFile(product + "/Program/Fr.dll"), "fr");
    }
    EXPECT_EQ(op.log.back().find("The product is consistent again"), 0u) << op.log.back();
  }
}

}  // namespace
}  // namespace updater
