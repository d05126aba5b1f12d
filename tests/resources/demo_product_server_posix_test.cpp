// The demo product that scripts/make-demo-product builds, and the demo payload's update
// script run by hand through our script library, against the fixture server. The product is
// made by a shell script.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "db/statement.h"
#include "db/transaction.h"
#include "script/run_script.h"
#include "seams/project_profile.h"
#include "sys/error.h"
#include "sys/sha256.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

// The udf folder of the fixture's installation, where the update installs the library.
constexpr const char* kUdfFolder = "/opt/KorvaneFirebird/udf";

Rows Query(const std::string& path, const std::string& sql, const std::string& user = "SYSDBA",
           const std::string& password = testing::kTestSysdbaPassword) {
  db::Attachment attachment = testing::AttachToTestServer(path, user, password);
  db::Transaction transaction(attachment, db::ReadCommittedParameters());
  db::Statement statement(attachment, transaction, sql, 3);
  statement.Execute(transaction);
  Rows rows;
  while (statement.Fetch()) {
    std::vector<std::string> row;
    for (const auto& value : statement.row()) row.push_back(value.value_or("<null>"));
    rows.push_back(row);
  }
  return rows;
}

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "<failed> " + out;
}

// Puts the payload's library where the server loads it from. Replaced by a rename, never
// in place: a running server may have the former one mapped.
void InstallLibrary(const std::string& library) {
  const std::string target = std::string(kUdfFolder) + "/Dv_UDF_u8.dll";
  if (Sha256OfFile(target) == Sha256OfFile(library)) return;
  const std::string aside =
      std::string(kUdfFolder) + "/.Dv_UDF_u8.dll." + std::to_string(::getpid());
  fs::copy_file(library, aside, fs::copy_options::overwrite_existing);
  fs::permissions(aside, fs::perms(0644));
  fs::rename(aside, target);
}

class DemoProductServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    product_ = new std::string(testing::TestDatabaseFolder() + "/demo-product-" +
                               std::to_string(::getpid()));
    made_ =
        Output("bash " UPDATER_SOURCE_DIR "/scripts/make-demo-product " UPDATER_BINARY_DIR " '" +
               *product_ + "' 2>&1");
  }
  static void TearDownTestSuite() {
    std::error_code error;
    fs::remove_all(*product_, error);
    delete product_;
  }

  void SetUp() override {
    ASSERT_EQ(made_.rfind("make-demo-product: DunVeld 1.0 in " + *product_, 0), 0u) << made_;
  }

  static std::string Database() { return *product_ + "/DB_Data/DunVeld.fdb"; }

  static std::string* product_;
  static std::string made_;
};

std::string* DemoProductServerTest::product_ = nullptr;
std::string DemoProductServerTest::made_;

TEST_F(DemoProductServerTest, TheProductIsAtVersionOneWithItsRolesGrantsAndRows) {
  for (const char* file : {"Program/DunVeld.exe", "Program/DunVeld.ini", "Program/storage.ini",
                           "Program/Fr.dll", "Program/DunVeld.chm", "Resources/readme.txt"}) {
    EXPECT_TRUE(fs::is_regular_file(*product_ + "/" + file)) << file;
  }
  EXPECT_EQ(Output("'" + *product_ + "/Program/DunVeld.exe'"),
            "DunVeld version 1.0\nLanguage: 2 (English)\n");

  struct stat st {};
  ASSERT_EQ(::stat(Database().c_str(), &st), 0);
  EXPECT_EQ(Output("id -u firebird"), std::to_string(st.st_uid) + "\n");

  EXPECT_EQ(Query(Database(), "select version_no from dv_version"), (Rows{{"1"}}));
  EXPECT_EQ(Query(Database(), "select count(*), count(distinct city) from customers"),
            (Rows{{"2000", "12"}}));
  EXPECT_EQ(Query(Database(), "select count(*) from orders"), (Rows{{"6000"}}));
  EXPECT_EQ(Query(Database(), "select trim(mon$owner) from mon$database"), (Rows{{"ADMN"}}));
  EXPECT_EQ(Query(Database(),
                  "select trim(rdb$role_name), trim(rdb$owner_name) from rdb$roles"
                  " where rdb$system_flag = 0 order by 1"),
            (Rows{{"DV_CLERK", "ADMN"}, {"DV_MANAGER", "ADMN"}}));
  // Users' role memberships and privileges, granted by ADMN and by SYSDBA.
  EXPECT_EQ(Query(Database(),
                  "select trim(rdb$user), trim(rdb$grantor), trim(rdb$privilege),"
                  " trim(rdb$relation_name), rdb$grant_option from rdb$user_privileges"
                  " where rdb$user_type = 8 and rdb$user not in ('SYSDBA', 'ADMN', 'PUBLIC')"
                  " order by 1, 4, 3"),
            (Rows{{"ANNA", "ADMN", "M", "DV_MANAGER", "2"},
                  {"ANNA", "SYSDBA", "D", "ORDERS", "0"},
                  {"BORIS", "ADMN", "X", "CUSTOMER_TOTAL", "0"},
                  {"BORIS", "ADMN", "M", "DV_CLERK", "0"},
                  {"BORIS", "ADMN", "U", "ORDERS", "0"},
                  {"CLARA", "ADMN", "M", "DV_CLERK", "0"},
                  {"CLARA", "SYSDBA", "S", "ORDERS", "1"},
                  {"DIRK", "SYSDBA", "M", "DV_CLERK", "0"}}));
  // ADMN logs in with the project's preset password.
  EXPECT_EQ(Query(Database(), "select current_user from rdb$database", "ADMN",
                  PresetProfile().AdmnPassword),
            (Rows{{"ADMN"}}));
}

TEST_F(DemoProductServerTest, ThePayloadScriptBringsACopyToVersionTwoWithTheLibrarysFunction) {
  const std::string payload = UPDATER_DEMO_PAYLOAD_DIR;
  // A copy that the server may open, as the update's working copy is.
  const std::string copy = *product_ + "/DB_Data/Copy.fdb";
  fs::copy_file(Database(), copy);
  struct stat st {};
  ASSERT_EQ(::stat(Database().c_str(), &st), 0);
  ASSERT_EQ(::chown(copy.c_str(), st.st_uid, st.st_gid), 0);
  InstallLibrary(payload + "/Dv_UDF_u8.dll");

  testing::RecordingOperator op;
  const std::string client = PresetProfile().ClientLibName;
  const std::string connection = testing::kTestServerPrefix + copy;
  ASSERT_NO_THROW(RunScriptFile(op,
                                {.client_library = client,
                                 .database = connection,
                                 .user = "SYSDBA",
                                 .password = testing::kTestSysdbaPassword,
                                 .charset = "UTF8"},
                                payload + "/script.sql", &op))
      << ScriptErrorText();

  EXPECT_EQ(Query(copy, "select version_no from dv_version"), (Rows{{"2"}}));
  // The new table, and the new columns filled from the customers' own data.
  EXPECT_EQ(Query(copy, "select count(*) from cities"), (Rows{{"12"}}));
  EXPECT_EQ(Query(copy,
                  "select count(*) from customers c join cities t on t.id = c.city_id"
                  " where t.name = c.city"),
            (Rows{{"2000"}}));
  // The function answers from the installed library: the key ignores case and blanks.
  EXPECT_EQ(Query(copy,
                  "select dv_name_key('  abc '), dv_name_key('ABC'), dv_name_key('ABD')"
                  " from rdb$database"),
            (Rows{{"1552166763", "1552166763", "1636054858"}}));
  EXPECT_EQ(Query(copy,
                  "select count(*) from customers where name_key = dv_name_key(lower(name))"
                  " and name_key <> 0"),
            (Rows{{"2000"}}));
  // The changed procedure also counts the orders.
  EXPECT_EQ(Query(copy, "select total, order_count from customer_total(5)"),
            (Rows{{"506.50", "3"}}));
  // The users' privileges are untouched; the roles got rights on the new table.
  EXPECT_EQ(Query(copy,
                  "select count(*) from rdb$user_privileges where rdb$user_type = 8"
                  " and rdb$user in ('ANNA', 'BORIS', 'CLARA', 'DIRK')"),
            (Rows{{"8"}}));
  EXPECT_EQ(Query(copy,
                  "select count(*) from rdb$user_privileges where rdb$relation_name ="
                  " 'CITIES' and rdb$user = 'DV_CLERK' and rdb$privilege = 'S'"),
            (Rows{{"1"}}));

  // Run again, its first statement fails: the copy is no longer at version 1. (The script
  // library goes on with the next statements, which fail or change nothing.)
  op.log.clear();
  EXPECT_THROW(RunScriptFile(op,
                             {.client_library = client,
                              .database = connection,
                              .user = "SYSDBA",
                              .password = testing::kTestSysdbaPassword,
                              .charset = "UTF8"},
                             payload + "/script.sql", &op),
               Error);
  // The log shows each failing statement: a header, the statement, a header, the error.
  std::string check_error = "<the version check did not fail>";
  for (std::size_t i = 0; i + 3 < op.log.size(); ++i) {
    if (op.log[i] == "------- STATEMENT --------" &&
        op.log[i + 1].find("execute procedure check_versio(1)") != std::string::npos) {
      check_error = op.log[i + 3];
    }
  }
  EXPECT_NE(check_error.find("The database is at version 2, this update needs version 1"),
            std::string::npos)
      << check_error;
  EXPECT_EQ(Query(copy, "select version_no from dv_version"), (Rows{{"2"}}));
  // The live database was not touched.
  EXPECT_EQ(Query(Database(), "select version_no from dv_version"), (Rows{{"1"}}));
}

}  // namespace
}  // namespace updater
