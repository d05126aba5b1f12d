#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "db/db_connection.h"
#include "db/firebird_error.h"
#include "db/statement.h"
#include "seams/project_profile.h"
#include "sys/error.h"
#include "tests/support/test_database.h"

namespace updater::db {
namespace {

using testing::AttachToTestServer;
using testing::kTestAdmnPassword;
using testing::kTestServerPrefix;
using testing::kTestSysdbaPassword;
using testing::TestDatabase;

class AttachedUsersServerTest : public ::testing::Test {
 protected:
  void SetUp() override { UPDATER_SKIP_WITHOUT_TEST_SERVER(); }
  std::vector<std::string> Users(const std::string& user = "SYSDBA") {
    std::vector<std::string> names = {"left over"};
    GetAttachedUsers(lib_, db_.connection_string(), user,
                     user == "ADMN" ? kTestAdmnPassword : kTestSysdbaPassword, "", names);
    return names;
  }

  const std::string lib_ = PresetProfile().ClientLibName;
  TestDatabase db_{"users"};
};

TEST_F(AttachedUsersServerTest, OnlyOwnAttachmentGivesEmptyList) {
  EXPECT_TRUE(Users().empty());
}

TEST_F(AttachedUsersServerTest, LeavesNoAttachmentBehind) {
  Users();
  Users();
  EXPECT_TRUE(Users().empty());
}

TEST_F(AttachedUsersServerTest, SecondSysdbaAttachmentStaysOnce) {
  db::Attachment other = AttachToTestServer(db_.path(), "SYSDBA", kTestSysdbaPassword);
  EXPECT_EQ(Users(), std::vector<std::string>{"SYSDBA"});
}

TEST_F(AttachedUsersServerTest, UserAttachedThreeTimesIsListedThreeTimes) {
  std::vector<db::Attachment> admn;
  for (int i = 0; i < 3; ++i) admn.push_back(AttachToTestServer(db_.path(), "ADMN", "7"));
  EXPECT_EQ(Users(), (std::vector<std::string>{"ADMN", "ADMN", "ADMN"}));
}

TEST_F(AttachedUsersServerTest, OwnEntryIsRemovedWithoutRegardToCase) {
  db::Attachment admn = AttachToTestServer(db_.path(), "ADMN", "7");
  EXPECT_EQ(Users("sysdba"), std::vector<std::string>{"ADMN"});
}

TEST_F(AttachedUsersServerTest, WrongPasswordGivesServerMessageAndKeepsList) {
  std::vector<std::string> names = {"kept"};
  try {
    GetAttachedUsers(lib_, db_.connection_string(), "SYSDBA", "wrong", "", names);
    FAIL() << "attached with a wrong password";
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("Your user name and password are not defined"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
  EXPECT_TRUE(Users().empty());
}

TEST_F(AttachedUsersServerTest, MissingDatabaseFileGivesServerMessage) {
  std::vector<std::string> names = {"kept"};
  const std::string missing = db_.path() + ".missing";
  try {
    GetAttachedUsers(lib_, kTestServerPrefix + missing, "SYSDBA", kTestSysdbaPassword, "", names);
    FAIL() << "attached to a missing file";
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
}

TEST_F(AttachedUsersServerTest, ServerThatIsDownGivesNetworkMessage) {
  std::vector<std::string> names = {"kept"};
  try {
    // Nothing listens there.
    GetAttachedUsers(lib_, "localhost/3059:" + db_.path(), "SYSDBA", kTestSysdbaPassword, "",
                     names);
    FAIL() << "attached to a server that is not running";
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to complete network request"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
}

// The role only goes to the server when one is given; the server reports it per attachment.
std::string CurrentRole(TDBConnection& connection) {
  db::Statement query(connection.attachment(), connection.transaction(),
                      "SELECT MON$ROLE FROM MON$ATTACHMENTS"
                      " WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION",
                      3);
  query.Execute(connection.transaction());
  EXPECT_TRUE(query.Fetch());
  std::string role = query.value(0).value_or("");
  role.erase(role.find_last_not_of(' ') + 1);
  return role;
}

TEST_F(AttachedUsersServerTest, RoleIsSentOnlyWhenGiven) {
  TDBConnection with_role(lib_, db_.connection_string(), "ADMN", "7", "DV_ADMIN");
  with_role.Connect();
  EXPECT_EQ(CurrentRole(with_role), "DV_ADMIN");

  TDBConnection without_role(lib_, db_.connection_string(), "ADMN", "7", "");
  without_role.Connect();
  EXPECT_EQ(CurrentRole(without_role), "NONE");
  without_role.Disconnect();
  EXPECT_FALSE(without_role.Connected());
}

TEST_F(AttachedUsersServerTest, ConnectionUsesWin1251) {
  TDBConnection connection(lib_, db_.connection_string(), "SYSDBA", kTestSysdbaPassword, "");
  connection.Connect();
  db::Statement query(
      connection.attachment(), connection.transaction(),
      "SELECT TRIM(C.RDB$CHARACTER_SET_NAME) FROM MON$ATTACHMENTS A"
      " JOIN RDB$CHARACTER_SETS C ON C.RDB$CHARACTER_SET_ID = A.MON$CHARACTER_SET_ID"
      " WHERE A.MON$ATTACHMENT_ID = CURRENT_CONNECTION",
      3);
  query.Execute(connection.transaction());
  ASSERT_TRUE(query.Fetch());
  EXPECT_EQ(query.value(0), "WIN1251");
}

TEST(AttachedUsersLoadTest, LibraryThatDoesNotLoadIsNamedWithReason) {
  std::vector<std::string> names = {"kept"};
  try {
    GetAttachedUsers("libno-such-fbclient.so.9", "localhost/3051:/x.fdb", "SYSDBA", "pw", "",
                     names);
    FAIL() << "loaded a library that does not exist";
  } catch (const Error& e) {
    const std::string text = e.what();
    const std::string name = "\"libno-such-fbclient.so.9\" could not be loaded: ";
    const auto at = text.find(name);
    ASSERT_NE(at, std::string::npos) << text;
    // The system's own reason follows, in its own words.
    EXPECT_GT(text.size(), at + name.size() + 5) << text;
  }
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
}

}  // namespace
}  // namespace updater::db
