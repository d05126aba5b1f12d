#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "db/statement.h"
#include "db/transaction.h"
#include "fbserver/fb_service.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "seams/project_profile.h"
#include "sys/error.h"
#include "sys/path.h"
#include "tests/fbserver/fake_service_control.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_database.h"
#include "update/run_state.h"

namespace updater {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// The database step's settle time after a shutdown is waited for real; the service waits are
// not, as the fixture server is left running.
class ShortWaitsClock final : public Clock {
 public:
  TimePoint Now() override { return real_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    if (duration <= std::chrono::milliseconds(2000)) real_.Sleep(duration);
  }

 private:
  RealClock real_;
};

class NoProcesses final : public ServerProcesses {
 public:
  bool SetDebugPrivilege(bool) override { return true; }
  std::int32_t KillProcessByName(const std::string&) override { return -1; }
};

// The real server and script library, with a payload written by the test.
class TestPayloadServices final : public ServerRunServices {
 public:
  using ServerRunServices::ServerRunServices;

  std::string script =
      "CREATE TABLE DV_RELEASE (VERSION INTEGER); COMMIT;\n"
      "INSERT INTO DV_RELEASE VALUES (2); GRANT SELECT ON DV_RELEASE TO PUBLIC; COMMIT;\n";

  void UnpackPayload(Operator&, const std::string& new_dir, const ProjectProfile&) override {
    const std::filesystem::path source =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "script" /
        "sys_roles.sql";
    WriteFile(JoinPath(new_dir, "Sys_Roles.sql"), ReadFile(source.string()));
    WriteFile(JoinPath(new_dir, "script.sql"), script);
    for (const char* name : {"DunVeld.exe", "RU_DunVeld.chm", "EN_DunVeld.chm", "DE_DunVeld.chm",
                             "FR_DunVeld.chm", "DV_UDF_u8.dll"}) {
      WriteFile(JoinPath(new_dir, name), std::string("new ") + name);
    }
  }
};

class UpdateRunServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UPDATER_SKIP_WITHOUT_TEST_SERVER();
    ChangeLanguage(3);
    product_ = testing::MakeProductFolder("run");
    database_.emplace(testing::TestDatabase::AtPath(product_ + "/DB_Data/DunVeld.fdb"));
    WriteFile(product_ + "/Program/DunVeld.exe", "old exe");
    WriteFile(product_ + "/Program/DunVeld.ini", "[Language]\nProgram_Language=2\n");
    // Roles.sql runs as ADMN, who must be able to grant back what SYSDBA granted.
    Execute("SYSDBA", testing::kTestSysdbaPassword, "GRANT DV_USER TO ADMN WITH ADMIN OPTION");
    Execute("SYSDBA", testing::kTestSysdbaPassword, "GRANT DV_USER TO U_ONE");
    Execute("SYSDBA", testing::kTestSysdbaPassword,
            "GRANT SELECT ON DV_DOCUMENTS TO ADMN WITH GRANT OPTION");
    Execute("ADMN", testing::kTestAdmnPassword, "GRANT SELECT ON DV_DOCUMENTS TO U_TWO");

    settings_.profile = PresetProfile();
    settings_.profile.SystemPassword = testing::kTestSysdbaPassword;
    settings_.serverParams = TFBServParams{
        fb_root_.path() + "/", "SUPER", "localhost/3051:", "NO-SUCH-SERVER.EXE", kOwnServiceName};
    std::filesystem::create_directories(fb_root_ / "udf");
    service_control_.services[kOwnServiceName].status = {kServiceRunning, 0, 0};
  }
  void TearDown() override {
    database_.reset();
    std::error_code error;
    std::filesystem::remove_all(product_, error);
  }

  std::string LiveDb() const { return product_ + "/DB_Data/DunVeld.fdb"; }

  void Execute(const std::string& user, const std::string& password, const std::string& sql) {
    auto attachment = testing::AttachToTestServer(LiveDb(), user, password);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::ExecuteImmediate(attachment, transaction, sql, 3);
    transaction.Commit();
  }
  // The first column of the first row, as ADMN: an attachment only an online database admits.
  std::optional<std::string> QueryAsAdmn(const std::string& sql) {
    auto attachment = testing::AttachToTestServer(LiveDb(), "ADMN", testing::kTestAdmnPassword);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::Statement query(attachment, transaction, sql, 3);
    query.Execute(transaction);
    if (!query.Fetch()) return std::nullopt;
    return query.value(0);
  }
  std::string UserGrants() {
    return QueryAsAdmn(
               "select list(trim(rdb$user) || ':' || trim(rdb$relation_name), ',') from "
               "(select rdb$user, rdb$relation_name from rdb$user_privileges where "
               "rdb$user in ('U_ONE', 'U_TWO') order by 1, 2)")
        .value_or("");
  }

  // As the fixture's: "" when the run rolled back all.
  std::string RunError(const std::string& admn_password) {
    rolled_back_ = false;
    try {
      UpdateProgrammWith(services_, facilities_, product_, testing::kTestSysdbaPassword,
                         admn_password, op_, "Dunveld", settings_);
    } catch (const RolledBack& e) {
      rolled_back_ = true;
      return e.complete() ? "" : e.what();
    } catch (const Error& e) {
      return e.what();
    }
    return "<none>";
  }

  std::string product_;
  std::optional<testing::TestDatabase> database_;
  testing::TempFolder fb_root_;
  ShortWaitsClock clock_;
  testing::FakeClock service_clock_;
  testing::FakeServiceControl service_control_{service_clock_};
  NoProcesses processes_;
  const Facilities facilities_{clock_, SilentProgress(), service_control_, processes_};
  TestPayloadServices services_{facilities_};
  testing::RecordingOperator op_;
  bool rolled_back_ = true;
  UpdateRunSettings settings_;
};

TEST_F(UpdateRunServerTest, UpdatesTheDatabaseKeepsTheGrantsAndBringsItOnline) {
  const std::string grants = UserGrants();
  ASSERT_NE(grants.find("U_TWO:DV_DOCUMENTS"), std::string::npos) << grants;

  ASSERT_EQ(RunError(testing::kTestAdmnPassword), "<none>")
      << (op_.dialogs.size() > 1 ? op_.dialogs[1].text : std::string());
  EXPECT_FALSE(rolled_back_);
  EXPECT_EQ(QueryAsAdmn("select version from dv_release"), "2");
  EXPECT_EQ(UserGrants(), grants);
  EXPECT_EQ(ReadFile(product_ + "/Program/DunVeld.exe"), "new DunVeld.exe");
  EXPECT_EQ(ReadFile(product_ + "/Program/DunVeld.chm"), "new EN_DunVeld.chm");
  EXPECT_EQ(ReadFile(fb_root_ / "udf/Dv_UDF_u8.dll"), "new DV_UDF_u8.dll");
  EXPECT_EQ(op_.log.back(), GetMessageText(msg::uUpdate_UpdateProgramm_49));
}

TEST_F(UpdateRunServerTest, WrongAdmnPasswordRollsBackAndLeavesTheLiveDatabaseOnline) {
  EXPECT_EQ(RunError("not-the-password"), "");
  EXPECT_TRUE(rolled_back_);
  ASSERT_GE(op_.dialogs.size(), 2u);
  EXPECT_EQ(op_.dialogs[1].text.rfind(GetMessageText(msg::uIS_DunVeld_7) + "\r\r", 0), 0u)
      << op_.dialogs[1].text;
  // The live database is the old one, and online.
  EXPECT_EQ(QueryAsAdmn("select count(*) from rdb$relations where rdb$relation_name = "
                        "'DV_RELEASE'"),
            "0");
  EXPECT_EQ(ReadFile(product_ + "/Program/DunVeld.exe"), "old exe");
}

TEST_F(UpdateRunServerTest, FailingStatementRollsBackAndKeepsTheNewLibrary) {
  services_.script =
      "CREATE TABLE DV_RELEASE (VERSION INTEGER); COMMIT;\n"
      "INSERT INTO NO_SUCH_TABLE VALUES (2); COMMIT;\n";
  EXPECT_EQ(RunError(testing::kTestAdmnPassword), "");
  EXPECT_TRUE(rolled_back_);
  EXPECT_NE(op_.dialogs.at(1).text.find("NO_SUCH_TABLE"), std::string::npos)
      << op_.dialogs.at(1).text;
  EXPECT_EQ(QueryAsAdmn("select count(*) from rdb$relations where rdb$relation_name = "
                        "'DV_RELEASE'"),
            "0");
  EXPECT_EQ(ReadFile(fb_root_ / "udf/Dv_UDF_u8.dll"), "new DV_UDF_u8.dll");
}

}  // namespace
}  // namespace updater

#include "update/run_recovery.h"

namespace updater {
namespace {

// A run that died inside the database swap: the live database moved aside, a half-moved file
// at its name, a file the client step deleted. The recovery puts the real database back and
// the server brings it online with all its rows.
TEST_F(UpdateRunServerTest, RecoveryAfterADeathInTheSwapBringsTheOldDatabaseBackOnline) {
  const std::string rows = QueryAsAdmn("select count(*) from dv_documents").value_or("?");
  services_.Shutdown({.client_library = settings_.profile.ClientLibName,
                      .database = "localhost/3051:" + LiveDb(),
                      .user = "SYSDBA",
                      .password = testing::kTestSysdbaPassword},
                     settings_.profile.ServerPrefix);
  const std::string temp = product_ + "/Tmp$091226101500";
  WriteFile(temp + "/Old/Program/storage.ini", "storage");
  WriteFile(temp + "/Old/DB_Data/DunVeld.fdb", "backup stands in; not to be used");
  std::filesystem::rename(LiveDb(), LiveDb() + "_");
  WriteFile(LiveDb(), "half of the updated database");
  RunJournal journal;
  journal.stage = JournalStage::DatabaseSwapBegun;
  journal.product_dir = product_;
  journal.temp_dir = temp;
  journal.has_client = true;
  journal.has_server = true;
  journal.live_db = LiveDb();
  journal.aside_db = LiveDb() + "_";
  journal.backup_db = temp + "/Old/DB_Data/DunVeld.fdb";
  WriteJournal(journal);

  RecoverRunWith(services_, facilities_, op_, settings_.profile, product_,
                 testing::kTestSysdbaPassword, settings_.serverParams);
  EXPECT_EQ(QueryAsAdmn("select count(*) from dv_documents"), rows);
  EXPECT_FALSE(std::filesystem::exists(LiveDb() + "_"));
  EXPECT_EQ(ReadFile(product_ + "/Program/storage.ini"), "storage");
  EXPECT_EQ(ReadJournal(temp + "/run.journal").outcome, JournalOutcome::Recovered);
}

}  // namespace
}  // namespace updater
