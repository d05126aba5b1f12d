#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/e2e/cli_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunProcess;

// The Service commands end to end: the built front end against a product folder whose
// database the fixture server serves.
class CliServiceServerTest : public ::testing::Test {
 protected:
  CliServiceServerTest() {
    cli_ = testing::CopyOfBuiltCli(bin_.path());
    product_ = fs::path(testing::TestDatabaseFolder()) /
               ("product-" + std::to_string(testing::OwnProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(product_ / "DB_Data");
    fs::permissions(product_ / "DB_Data", fs::perms::all);
    database_.emplace(
        testing::TestDatabase::AtPath((product_ / "DB_Data" / "DunVeld.fdb").string()));
    ChangeLanguage(3);
  }
  void SetUp() override { UPDATER_SKIP_WITHOUT_TEST_SERVER(); }
  ~CliServiceServerTest() override {
    database_.reset();
    std::error_code ignored;
    fs::remove_all(product_, ignored);
  }

  ProcessResult Run(const std::string& command) {
    return RunProcess(cli_,
                      {"--language", "3", command, "--product-dir", product_.string(), "--password",
                       testing::kTestSysdbaPassword},
                      bin_.path(), "", "LC_ALL=C TZ=UTC0");
  }

  testing::TempFolder bin_;
  fs::path cli_;
  fs::path product_;
  std::optional<testing::TestDatabase> database_;
};

TEST_F(CliServiceServerTest, ShutdownAndOnlineSwitchTheDatabaseAndReportRepeats) {
  ProcessResult first = Run("shutdown");
  ASSERT_EQ(first.exit_code, 0) << first.out << first.err;
  EXPECT_NE(first.out.find(GetMessageText(msg::uUpdate_UpdateShutdown_3)), std::string::npos)
      << first.out;

  // Already shut down: a warning, not a failure.
  ProcessResult again = Run("shutdown");
  EXPECT_EQ(again.exit_code, 0) << again.out << again.err;
  EXPECT_NE(again.out.find(GetMessageText(msg::uUpdate_UpdateShutdown_5)), std::string::npos)
      << again.out;

  ProcessResult online = Run("online");
  EXPECT_EQ(online.exit_code, 0) << online.out << online.err;
  EXPECT_NE(online.out.find(GetMessageText(msg::uUpdate_UpdateOnLine_03)), std::string::npos)
      << online.out;

  // An ordinary user gets in again.
  EXPECT_NO_THROW(
      testing::AttachToTestServer(database_->path(), "ADMN", testing::kTestAdmnPassword));
}

TEST_F(CliServiceServerTest, WrongSystemPasswordFailsWithTheServersMessage) {
  ProcessResult r = RunProcess(
      cli_, {"shutdown", "--product-dir", product_.string(), "--password", "not-the-password"},
      bin_.path(), "", "LC_ALL=C TZ=UTC0");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("password"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace updater
