#include "update/privilege_cleanup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "db/statement.h"
#include "db/transaction.h"
#include "script/run_script.h"
#include "seams/platform_names.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

const char* const kClient = kPlatformClientLibName;

// One row of RDB$USER_PRIVILEGES.
using Privilege = std::tuple<std::string, int, std::string, std::string, int, std::string,
                             std::string>;  // user, type, grantor, privilege, option, object, field

class PrivilegeCleanupServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UPDATER_SKIP_WITHOUT_TEST_SERVER();
    Execute(
        "SYSDBA", testing::kTestSysdbaPassword,
        {"GRANT CREATE TABLE TO ADMN", "GRANT CREATE ROLE TO ADMN",
         "GRANT CREATE PROCEDURE TO ADMN", "GRANT SELECT ON DV_DOCUMENTS TO ADMN WITH GRANT OPTION",
         "GRANT DV_USER TO ADMN WITH ADMIN OPTION",
         // Granted by SYSDBA to users: removed, then restored by ADMN.
         "GRANT SELECT ON DV_DOCUMENTS TO U_SYS", "GRANT DV_USER TO U_SYS",
         // Not for users, or held by the excepted: left alone.
         "GRANT SELECT ON DV_SETTINGS TO PUBLIC", "GRANT INSERT ON DV_SETTINGS TO ROLE DV_USER",
         "GRANT UPDATE ON DV_SETTINGS TO SYSDBA"});
    Execute("ADMN", testing::kTestAdmnPassword,
            {"CREATE TABLE A_T (A INTEGER, B INTEGER)", "CREATE ROLE A_ROLE",
             "CREATE PROCEDURE A_P AS BEGIN END", "GRANT SELECT ON A_T TO U_ONE",
             "GRANT UPDATE (B) ON A_T TO U_ONE WITH GRANT OPTION",
             "GRANT REFERENCES (A) ON A_T TO U_TWO", "GRANT A_ROLE TO U_TWO WITH ADMIN OPTION",
             "GRANT EXECUTE ON PROCEDURE A_P TO U_TWO", "GRANT SELECT ON DV_DOCUMENTS TO U_TWO",
             "GRANT DELETE ON A_T TO \"u three\""});
  }

  void Execute(const std::string& user, const std::string& password,
               const std::vector<std::string>& statements) {
    auto attachment = testing::AttachToTestServer(db_.path(), user, password);
    for (const auto& sql : statements) {
      db::Transaction transaction(attachment, db::ParameterBlock());
      db::ExecuteImmediate(attachment, transaction, sql, 3);
      transaction.Commit();
    }
  }

  std::vector<Privilege> Privileges() {
    auto attachment =
        testing::AttachToTestServer(db_.path(), "SYSDBA", testing::kTestSysdbaPassword);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::Statement query(attachment, transaction,
                        "select trim(rdb$user), rdb$user_type, trim(rdb$grantor), rdb$privilege, "
                        "coalesce(rdb$grant_option, 0), trim(rdb$relation_name), "
                        "coalesce(trim(rdb$field_name), '') from rdb$user_privileges",
                        3);
    query.Execute(transaction);
    std::vector<Privilege> rows;
    while (query.Fetch()) {
      auto text = [&](std::size_t column) { return query.value(column).value_or(""); };
      rows.emplace_back(text(0), std::stoi(text(1)), text(2), text(3), std::stoi(text(4)), text(5),
                        text(6));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  static bool RemovedByCleanup(const Privilege& p) {
    const auto& [user, type, grantor, privilege, option, object, field] = p;
    return type == 8 && (grantor == "ADMN" || grantor == "SYSDBA") && user != "SYSDBA" &&
           user != "ADMN" && user != "PUBLIC";
  }

  // The privileges without their grantor: restoring them makes ADMN the grantor.
  static std::vector<Privilege> WithoutGrantor(std::vector<Privilege> rows) {
    for (auto& row : rows) std::get<2>(row).clear();
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  testing::TestDatabase db_{"privileges"};
  testing::RecordingOperator ui_;
};

TEST_F(PrivilegeCleanupServerTest, DeletingFromTheSystemTableIsRefusedHere) {
  ASSERT_GE(
      ServerMajorVersion(kClient, db_.connection_string(), "SYSDBA", testing::kTestSysdbaPassword),
      3);
  try {
    RunScriptText(ui_,
                  {.client_library = kClient,
                   .database = db_.connection_string(),
                   .user = "SYSDBA",
                   .password = testing::kTestSysdbaPassword,
                   .charset = "UTF8"},
                  PrivilegeCleanupScript(PrivilegeGrantor::Sysdba, 2), nullptr);
    FAIL() << "the server allowed the delete";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(
                  "DELETE operation is not allowed for system table RDB$USER_PRIVILEGES"),
              std::string::npos)
        << e.what();
  }
}

TEST_F(PrivilegeCleanupServerTest, CleanupRemovesExactlyTheUsersGrantsAndRolesScriptRestoresThem) {
  const std::vector<Privilege> before = Privileges();
  std::vector<Privilege> expected_after;
  std::copy_if(before.begin(), before.end(), std::back_inserter(expected_after),
               [](const Privilege& p) { return !RemovedByCleanup(p); });
  ASSERT_GE(before.size() - expected_after.size(), 9u) << "the set-up granted too little";

  // The roles capture, prepared as the update run prepares it.
  const std::filesystem::path folder = std::filesystem::path(testing::TestDatabaseFolder()) /
                                       ("roles_" + std::to_string(testing::OwnProcessId()));
  std::filesystem::create_directories(folder);
  const auto roles = folder / "Roles.sql";
  const auto capture = folder / "Sys_Roles.sql";
  {
    std::ifstream source(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                         "script" / "sys_roles.sql");
    ASSERT_TRUE(source.good());
    std::ofstream out(capture, std::ios::binary);
    std::string line;
    std::getline(source, line);
    out << "execute ibeblock(Roles_File_Name = '" << roles.string() << "')\r\n";
    while (std::getline(source, line)) out << line << "\r\n";
  }
  RunScriptFile(ui_,
                {.client_library = kClient,
                 .database = db_.connection_string(),
                 .user = "SYSDBA",
                 .password = testing::kTestSysdbaPassword,
                 .charset = "UTF8"},
                capture.string(), &ui_);
  ASSERT_TRUE(std::filesystem::exists(roles));

  CleanUpPrivileges(ui_, kClient, db_.connection_string(), testing::kTestAdmnPassword,
                    PrivilegeGrantor::Admn, &ui_);
  CleanUpPrivileges(ui_, kClient, db_.connection_string(), testing::kTestSysdbaPassword,
                    PrivilegeGrantor::Sysdba, &ui_);
  EXPECT_EQ(Privileges(), expected_after);

  RunScriptFile(ui_,
                {.client_library = kClient,
                 .database = db_.connection_string(),
                 .user = "ADMN",
                 .password = testing::kTestAdmnPassword,
                 .charset = "UTF8"},
                roles.string(), &ui_);
  EXPECT_EQ(WithoutGrantor(Privileges()), WithoutGrantor(before));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace updater
