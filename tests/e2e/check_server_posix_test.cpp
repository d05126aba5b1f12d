// updater-cli check --json against the states it reports: one demo product on the fixture
// server, brought into each state, checked through the built front end and put back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "db/db_connection.h"
#include "seams/project_profile.h"
#include "tests/e2e/cli_process.h"
#include "tests/support/holding_child_posix.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_database.h"
#include "update/run_journal.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ProcessResult;
using testing::ShellQuote;

// The state a row puts the product in; what it returns is undone when it goes.
using Arrange = std::function<std::shared_ptr<void>(const fs::path& product)>;

struct Row {
  const char* name;
  Arrange arrange;
  std::string sysdba = testing::kTestSysdbaPassword;
  std::string admn = testing::kTestAdmnPassword;
  const char* folder = "";  // checked instead of the product, under its folder
  int exit_code = 0;
  std::set<std::string> reasons;  // the failed checks, every one
  std::function<void(const json& j)> more = [](const json&) {};
};

std::shared_ptr<void> Nothing(const fs::path&) {
  return nullptr;
}

class CheckServerTest : public ::testing::Test {
 protected:
  CheckServerTest() { fs::create_directories(fs::path(bin_.path()) / "scratch"); }

  static void SetUpTestSuite() {
    product_ = fs::path(testing::TestDatabaseFolder()) / ("check-" + std::to_string(::getpid()));
    const std::string command =
        "bash " + ShellQuote(UPDATER_SOURCE_DIR "/scripts/make-demo-product") + " " +
        ShellQuote(UPDATER_BUILD_DIR) + " " + ShellQuote(product_.string()) + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) made_ += buffer;
    made_ok_ = pipe && ::pclose(pipe.release()) == 0;
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(product_, ignored);
  }

  ProcessResult Check(const fs::path& product, const Row& row) {
    return testing::RunProcess(cli_, {"--language", "3", "check", "--json", "-d", product.string()},
                               fs::path(bin_.path()) / "scratch", "",
                               "LC_ALL=C UPDATER_SYSDBA_PASSWORD=" + ShellQuote(row.sysdba) +
                                   " UPDATER_ADMN_PASSWORD=" + ShellQuote(row.admn));
  }

  void ExpectCheck(const Row& row) {
    const std::shared_ptr<void> undo = row.arrange(product_);

    const ProcessResult r = Check(product_ / row.folder, row);
    ASSERT_EQ(r.exit_code, row.exit_code) << r.out << r.err;
    // Standard output is the document and nothing else.
    const json j = json::parse(r.out);
    EXPECT_EQ(j["would_start"], row.exit_code == 0);
    std::set<std::string> reasons;
    for (const json& reason : j["reasons"]) reasons.insert(reason["name"]);
    EXPECT_EQ(reasons, row.reasons) << r.out;
    std::set<std::string> failed;
    for (const json& item : j["checks"])
      if (item["verdict"] == "fail") failed.insert(item["name"]);
    EXPECT_EQ(failed, row.reasons) << r.out;
    EXPECT_EQ(j["release"]["carried"].get<std::string>().size(), 64u);
    row.more(j);
    for (const std::string& wrong : {row.sysdba, row.admn}) {
      if (wrong.rfind("Wrong-", 0) == 0) {
        EXPECT_EQ((r.out + r.err).find(wrong), std::string::npos);
      }
    }
  }

  static fs::path product_;
  static std::string made_;
  static bool made_ok_;
  testing::TempFolder bin_;
  fs::path cli_ = testing::CopyOfBuiltCli(fs::path(bin_.path()));
};

fs::path CheckServerTest::product_;
std::string CheckServerTest::made_;
bool CheckServerTest::made_ok_ = false;

// A process that works in the product's program folder, as a started client does.
std::shared_ptr<void> HeldByAnotherProgram(const fs::path& product) {
  return std::make_shared<testing::HoldingChild>(
      testing::WorkingIn((product / "Program").string()));
}

// An attachment of the test's own, by ADMN.
std::shared_ptr<void> AttachedByAdmn(const fs::path& product) {
  auto connection = std::make_shared<db::TDBConnection>(
      PresetProfile().ClientLibName,
      std::string(testing::kTestServerPrefix) + (product / "DB_Data" / "DunVeld.fdb").string(),
      "ADMN", testing::kTestAdmnPassword, "");
  connection->Connect();
  return connection;
}

// The journal of a run that died after its staging.
std::shared_ptr<void> UnfinishedRun(const fs::path& product) {
  const fs::path temp = product / "Tmp$010203040506";
  fs::create_directories(temp);
  RunJournal journal;
  journal.stage = JournalStage::Staged;
  journal.product_dir = product.string();
  journal.temp_dir = temp.string();
  journal.has_client = true;
  WriteJournal(journal);
  return std::shared_ptr<void>(nullptr, [temp](void*) { fs::remove_all(temp); });
}

const Row kRows[] = {
    {.name = "ready",
     .arrange = Nothing,
     .more =
         [](const json& j) {
           EXPECT_EQ(j["parts"], json({{"client", true}, {"server", true}}));
           EXPECT_EQ(j["already_current"], false);
           EXPECT_EQ(j["release"]["state"], "none");
           EXPECT_EQ(j["server"]["state"], "running");
           EXPECT_EQ(j["unfinished_run"], nullptr);
           EXPECT_TRUE(j["lock_holders"].empty());
           EXPECT_GT(j["free_space"]["needed_bytes"], 0);
         }},
    {.name = "wrong ADMN password",
     .arrange = Nothing,
     .admn = "Wrong-Admn-4417",
     .exit_code = 1,
     .reasons = {"admn_password"}},
    {.name = "both passwords wrong",
     .arrange = Nothing,
     .sysdba = "Wrong-Sysdba-2290",
     .admn = "Wrong-Admn-4417",
     .exit_code = 1,
     .reasons = {"sysdba_password", "admn_password"}},
    {.name = "a program holds the folder",
     .arrange = HeldByAnotherProgram,
     .exit_code = 1,
     .reasons = {"lock_test"},
     .more =
         [](const json& j) {
           ASSERT_EQ(j["lock_holders"].size(), 1u);
           EXPECT_EQ(j["lock_holders"][0]["program"], "sleep");
         }},
    {.name = "a user is attached",
     .arrange = AttachedByAdmn,
     .more =
         [](const json& j) {
           EXPECT_EQ(j["attached_users"], json::array({"ADMN"}));
           for (const json& item : j["checks"]) {
             if (item["name"] == "attached_users") {
               EXPECT_EQ(item["verdict"], "warn");
             }
           }
         }},
    {.name = "no product in the folder",
     .arrange = Nothing,
     .folder = "Resources",
     .exit_code = 1,
     .reasons = {"product"},
     .more = [](const json& j) { EXPECT_EQ(j["parts"]["server"], false); }},
    {.name = "an unfinished run and a wrong ADMN password",
     .arrange = UnfinishedRun,
     .admn = "Wrong-Admn-4417",
     .exit_code = 1,
     .reasons = {"unfinished_run", "admn_password"},
     .more =
         [](const json& j) {
           EXPECT_NE(j["unfinished_run"]["journal"].get<std::string>().find("Tmp$010203040506"),
                     std::string::npos);
         }},
};

// One product and one process for every state: the server is shared, and each row is
// quick once the product is made.
TEST_F(CheckServerTest, JsonNamesTheStateAndEveryReason) {
  ASSERT_TRUE(made_ok_) << made_;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    ExpectCheck(row);
  }
}

}  // namespace
}  // namespace updater
