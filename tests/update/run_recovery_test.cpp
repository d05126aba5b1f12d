#include "update/run_recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fbserver/fb_service.h"
#include "messages/ldm.h"
#include "sys/error.h"
#include "tests/fbserver/fake_service_control.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"
#include "update/db_modes.h"
#include "update/run_journal.h"
#include "update/run_state.h"

namespace updater {
namespace {

using testing::Exists;
using testing::NativeSeparators;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// Records the one service the recovery asks for; nothing else may be called.
class OnlineOnly final : public RunServices {
 public:
  std::vector<std::string> calls;
  bool online_already = false;
  std::vector<std::string> AttachedUsers(const db::ConnectionParams&) override {
    return Unexpected<std::vector<std::string>>("users");
  }
  void Shutdown(const db::ConnectionParams&, const std::string&) override {
    Unexpected<void>("shutdown");
  }
  void OnLine(const db::ConnectionParams& db, const std::string&) override {
    calls.push_back("online " + db.database + " as " + db.user + "/" + db.password + " through " +
                    db.client_library);
    if (online_already) throw Error(std::string(kAlreadyInModeText) + " \"" + db.database + "\"");
  }
  void RunScriptText(Operator&, const db::ConnectionParams&, const std::string&) override {
    Unexpected<void>("text");
  }
  void RunScriptFile(Operator&, const db::ConnectionParams&, const std::string&) override {
    Unexpected<void>("file");
  }
  void CleanUpPrivileges(Operator&, const db::ConnectionParams&) override {
    Unexpected<void>("cleanup");
  }
  void UnpackPayload(Operator&, const std::string&) override { Unexpected<void>("unpack"); }

 private:
  template <typename T>
  T Unexpected(const std::string& what) {
    calls.push_back("unexpected " + what);
    throw Error("unexpected " + what);
  }
};

// A product as a killed run leaves it: the backup of the previous version, the working copies
// of the updated one, and the live files as the stage of the journal says.
class RunRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ChangeLanguage(3);
    profile = PresetProfile();
    profile.ProductDir = product;
    params = TFBServParams{disk / "fb/", "SUPER", "localhost/3051:", "NO-SUCH-SERVER.EXE",
                           kOwnServiceName};
    service_control.services[kOwnServiceName].status = {kServiceStopped, 0, 0};

    WriteFile(Old("Program/DunVeld.exe"), "old exe");
    WriteFile(Old("Program/storage.ini"), "storage");
    WriteFile(Old("Resources/pictures.dat"), "old pictures");
    WriteFile(Old("DB_Data/DunVeld.fdb"), "old database");
    WriteFile(Wrk("Program/DunVeld.exe"), "new exe");
    WriteFile(Wrk("Program/DunVeld.chm"), "new help");
    WriteFile(Wrk("Resources/pictures.dat"), "new pictures");
    // The client step deleted storage.ini from the live folder.
    WriteFile(product + "/Program/DunVeld.exe", "old exe");
    WriteFile(product + "/Resources/pictures.dat", "old pictures");
  }

  std::string Old(const std::string& name) const { return NativeSeparators(temp + "/Old/" + name); }
  std::string Wrk(const std::string& name) const { return NativeSeparators(temp + "/Wrk/" + name); }
  std::string Live(const std::string& name) const { return NativeSeparators(product + "/" + name); }
  std::string LiveDb() const { return Live("DB_Data/DunVeld.fdb"); }
  std::string JournalPath() const { return NativeSeparators(temp + "/" + kJournalFileName); }

  void Journal(JournalStage stage) {
    RunJournal j;
    j.stage = stage;
    j.product_dir = product;
    j.temp_dir = temp;
    j.has_client = true;
    j.has_server = true;
    j.live_db = LiveDb();
    j.aside_db = LiveDb() + "_";
    j.backup_db = Old("DB_Data/DunVeld.fdb");
    j.deleted_live_files = {"storage.ini"};
    WriteJournal(j);
  }

  std::string Recover() {
    try {
      RecoverRunWith(services, facilities, op, profile, product, "masterkey", params);
    } catch (const Error& e) {
      return e.what();
    }
    return "<none>";
  }

  void ExpectPrevious() {
    EXPECT_EQ(ReadFile(LiveDb()), "old database");
    EXPECT_FALSE(Exists(LiveDb() + "_"));
    EXPECT_EQ(ReadFile(Live("Program/DunVeld.exe")), "old exe");
    EXPECT_EQ(ReadFile(Live("Program/storage.ini")), "storage");
    EXPECT_FALSE(Exists(Live("Program/DunVeld.chm")));
    EXPECT_EQ(ReadFile(Live("Resources/pictures.dat")), "old pictures");
  }
  void ExpectUpdated() {
    EXPECT_EQ(ReadFile(LiveDb()), "updated database");
    EXPECT_FALSE(Exists(LiveDb() + "_"));
    EXPECT_EQ(ReadFile(Live("Program/DunVeld.exe")), "new exe");
    EXPECT_EQ(ReadFile(Live("Program/DunVeld.chm")), "new help");
    EXPECT_EQ(ReadFile(Live("Resources/pictures.dat")), "new pictures");
  }
  // Online, server running, and the journal marked ended, so a second recovery does nothing.
  void ExpectFinished() {
    ASSERT_EQ(services.calls.size(), 1u);
    EXPECT_EQ(services.calls[0], "online " + profile.ServerPrefix + LiveDb() +
                                     " as SYSDBA/masterkey through " + profile.ClientLibName);
    EXPECT_EQ(service_control.services[kOwnServiceName].status.state, kServiceRunning);
    const RunJournal j = ReadJournal(JournalPath());
    EXPECT_EQ(j.stage, JournalStage::Ended);
    EXPECT_EQ(j.outcome, JournalOutcome::Recovered);

    op.log.clear();
    services.calls.clear();
    EXPECT_EQ(Recover(), "<none>");
    EXPECT_TRUE(services.calls.empty());
    ASSERT_FALSE(op.log.empty());
    EXPECT_NE(op.log.back().find("nothing to recover"), std::string::npos);
  }

  TempFolder disk;
  std::string product = disk / "DunVeld";
  std::string temp = disk / "DunVeld/Tmp$091226101500";
  testing::FakeClock clock;
  testing::RecordingOperator op;
  testing::FakeServiceControl service_control{clock};
  Facilities facilities{clock, SilentProgress(), service_control, service_control};
  OnlineOnly services;
  ProjectProfile profile;
  TFBServParams params;
};

TEST_F(RunRecoveryTest, BeforeTheSwapTheDeletedFilesComeBack) {
  WriteFile(LiveDb(), "old database");
  for (JournalStage stage : {JournalStage::Staging, JournalStage::Staged,
                             JournalStage::DatabaseUpdated, JournalStage::ClientUpdated}) {
    SCOPED_TRACE(StageName(stage));
    std::filesystem::remove(Live("Program/storage.ini"));
    services.calls.clear();
    Journal(stage);
    ASSERT_EQ(Recover(), "<none>");
    ExpectPrevious();
    ExpectFinished();
  }
}

TEST_F(RunRecoveryTest, SwapBegunPutsTheAsideDatabaseBackOverAHalfMovedOne) {
  WriteFile(LiveDb() + "_", "old database");
  WriteFile(LiveDb(), "updated dat");  // half moved in
  Journal(JournalStage::DatabaseSwapBegun);
  ASSERT_EQ(Recover(), "<none>");
  ExpectPrevious();
  ExpectFinished();
}

TEST_F(RunRecoveryTest, SwapBegunWithNeitherFileTakesTheBackup) {
  std::filesystem::create_directories(product + "/DB_Data");
  Journal(JournalStage::DatabaseSwapBegun);
  ASSERT_EQ(Recover(), "<none>");
  ExpectPrevious();
  EXPECT_FALSE(Exists(LiveDb() + ".recover"));
  ExpectFinished();
}

TEST_F(RunRecoveryTest, SwapBegunBeforeTheMoveLeavesTheLiveDatabase) {
  WriteFile(LiveDb(), "old database");
  Journal(JournalStage::DatabaseSwapBegun);
  ASSERT_EQ(Recover(), "<none>");
  ExpectPrevious();
  ExpectFinished();
}

TEST_F(RunRecoveryTest, AfterTheDatabaseSwapTheProgramIsRolledForward) {
  for (JournalStage stage : {JournalStage::DatabaseSwapped, JournalStage::ProgramCopyBegun}) {
    SCOPED_TRACE(StageName(stage));
    WriteFile(LiveDb(), "updated database");
    WriteFile(LiveDb() + "_", "old database");
    WriteFile(Live("Program/DunVeld.exe"), "old exe");
    services.calls.clear();
    Journal(stage);
    ASSERT_EQ(Recover(), "<none>");
    ExpectUpdated();
    ExpectFinished();
  }
}

// A run killed after its final step, or failed after it, left the database online.
TEST_F(RunRecoveryTest, DatabaseOnlineAlreadyIsNoFailure) {
  WriteFile(LiveDb(), "updated database");
  WriteFile(Live("Program/DunVeld.exe"), "new exe");
  WriteFile(Live("Program/DunVeld.chm"), "new help");
  WriteFile(Live("Resources/pictures.dat"), "new pictures");
  services.online_already = true;
  Journal(JournalStage::FinalStepDone);
  ASSERT_EQ(Recover(), "<none>");
  ExpectUpdated();
  EXPECT_NE(std::find(op.log.begin(), op.log.end(), "The live database was online already."),
            op.log.end());
  ExpectFinished();
}

TEST_F(RunRecoveryTest, ProgramThatCannotBeReplacedLeavesTheRunUnfinished) {
  WriteFile(LiveDb(), "updated database");
  std::filesystem::remove(Live("Program/DunVeld.exe"));
  WriteFile(Live("Program/DunVeld.exe/held"), "");  // no file copy replaces a folder
  Journal(JournalStage::ProgramCopyBegun);
  EXPECT_NE(Recover().find("DunVeld.exe\" could not be replaced"), std::string::npos);
  EXPECT_EQ(ReadJournal(JournalPath()).stage, JournalStage::ProgramCopyBegun);
}

TEST_F(RunRecoveryTest, GarbledJournalTouchesNothing) {
  WriteFile(LiveDb() + "_", "old database");
  Journal(JournalStage::DatabaseSwapBegun);
  const std::string whole = ReadFile(JournalPath());
  WriteFile(JournalPath(), whole.substr(0, whole.size() / 2));
  const std::string error = Recover();
  EXPECT_NE(error.find("cannot be used: it is truncated"), std::string::npos) << error;
  EXPECT_NE(error.find(JournalPath()), std::string::npos) << error;
  EXPECT_TRUE(services.calls.empty());
  EXPECT_TRUE(service_control.events.empty());
  EXPECT_FALSE(Exists(LiveDb()));
  EXPECT_EQ(ReadFile(LiveDb() + "_"), "old database");
  EXPECT_FALSE(Exists(Live("Program/storage.ini")));
}

TEST_F(RunRecoveryTest, JournalNamingAnotherDatabaseIsRefused) {
  WriteFile(LiveDb(), "old database");
  RunJournal j;
  j.stage = JournalStage::DatabaseSwapBegun;
  j.product_dir = product;
  j.temp_dir = temp;
  j.has_server = true;
  j.live_db = disk / "elsewhere.fdb";
  j.aside_db = LiveDb() + "_";
  j.backup_db = Old("DB_Data/DunVeld.fdb");
  WriteJournal(j);
  EXPECT_NE(Recover().find("not this product's"), std::string::npos);
  EXPECT_TRUE(services.calls.empty());
  EXPECT_EQ(ReadFile(LiveDb()), "old database");
}

TEST_F(RunRecoveryTest, NoJournalIsNothingToRecover) {
  std::filesystem::remove_all(temp);
  EXPECT_EQ(Recover(), "<none>");
  ASSERT_EQ(op.log.size(), 1u);
  EXPECT_NE(op.log[0].find("nothing to recover"), std::string::npos);
  EXPECT_TRUE(services.calls.empty());
}

}  // namespace
}  // namespace updater
