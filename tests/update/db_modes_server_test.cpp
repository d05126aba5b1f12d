#include "update/db_modes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "db/firebird_error.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "seams/project_profile.h"
#include "sys/error.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_operator.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

using namespace std::chrono_literals;
using testing::AttachToTestServer;
using testing::kTestAdmnPassword;
using testing::kTestSysdbaPassword;

// A product folder holding only the server part, its database made by the fixture server.
class ProductWithDatabase {
 public:
  // `name_part` goes into the folder's name.
  explicit ProductWithDatabase(const std::string& name_part = "") {
    folder_ = testing::MakeProductFolder("product-" + name_part);
    try {
      database_.emplace(testing::TestDatabase::AtPath(db_file()));
    } catch (...) {
      RemoveFolder();
      throw;
    }
  }
  ~ProductWithDatabase() {
    database_.reset();
    RemoveFolder();
  }

  const std::string& folder() const { return folder_; }
  std::string db_file() const { return folder_ + "/DB_Data/DunVeld.fdb"; }

 private:
  void RemoveFolder() {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

  std::string folder_;
  std::optional<testing::TestDatabase> database_;
};

// Whether `user` may attach now; the shutdown is carried out by the server a moment after
// the request, so a refusal is waited for within a bound.
bool Admits(const std::string& path, const std::string& user, const std::string& password) {
  try {
    AttachToTestServer(path, user, password).Detach();
    return true;
  } catch (const db::FirebirdError&) {
    return false;
  }
}

bool RefusesWithin(const std::string& path, const std::string& user, const std::string& password,
                   std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (Admits(path, user, password)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

class DbModesServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UPDATER_SKIP_WITHOUT_TEST_SERVER();
    ChangeLanguage(3);
  }

  bool AdmnAdmitted() { return Admits(product.db_file(), "ADMN", kTestAdmnPassword); }
  bool SysdbaAdmitted() { return Admits(product.db_file(), "SYSDBA", kTestSysdbaPassword); }

  ProjectProfile profile = PresetProfile();
  ProductWithDatabase product;
  testing::RecordingOperator op;
  testing::FakeClock clock;
  // Switching a mode controls no service and ends no process.
  Facilities facilities{clock, SilentProgress(), PlatformServiceControl(), SystemServerProcesses()};
};

TEST_F(DbModesServerTest, ShutdownThenShutdownAgainWarns) {
  ASSERT_TRUE(AdmnAdmitted());
  UpdateShutdown(facilities, op, profile, product.folder(), kTestSysdbaPassword);

  ASSERT_GE(op.log.size(), 2u);
  EXPECT_EQ(op.log[op.log.size() - 2], GetMessageText(msg::uUpdate_UpdateShutdown_1));
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateShutdown_3));
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_EQ(op.boxes[0].kind, DialogKind::Information);
  EXPECT_EQ(op.boxes[0].text, GetMessageText(msg::uUpdate_UpdateShutdown_4));
  EXPECT_EQ(clock.Sleeps(), std::vector<std::chrono::milliseconds>{2000ms});

  EXPECT_TRUE(RefusesWithin(product.db_file(), "ADMN", kTestAdmnPassword, 5s));
  EXPECT_TRUE(SysdbaAdmitted());

  op.log.clear();
  UpdateShutdown(facilities, op, profile, product.folder(), kTestSysdbaPassword);
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateShutdown_5));
  ASSERT_EQ(op.boxes.size(), 2u);
  EXPECT_EQ(op.boxes[1].kind, DialogKind::Warning);
  EXPECT_EQ(op.boxes[1].text, GetMessageText(msg::uUpdate_UpdateShutdown_6));
  // No pause after a refused request.
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_FALSE(AdmnAdmitted());
}

TEST_F(DbModesServerTest, OnlineThenOnlineAgainWarns) {
  DBShutdown(facilities,
             {.client_library = profile.ClientLibName,
              .database = profile.ServerPrefix + product.db_file(),
              .user = "SYSDBA",
              .password = kTestSysdbaPassword},
             profile.ServerPrefix);
  ASSERT_TRUE(RefusesWithin(product.db_file(), "ADMN", kTestAdmnPassword, 5s));

  UpdateOnLine(facilities, op, profile, product.folder(), kTestSysdbaPassword);
  ASSERT_GE(op.log.size(), 2u);
  EXPECT_EQ(op.log[op.log.size() - 2], GetMessageText(msg::uUpdate_UpdateOnLine_01));
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateOnLine_03));
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_EQ(op.boxes[0].kind, DialogKind::Information);
  EXPECT_EQ(op.boxes[0].text, GetMessageText(msg::uUpdate_UpdateOnLine_04));
  EXPECT_TRUE(AdmnAdmitted());

  UpdateOnLine(facilities, op, profile, product.folder(), kTestSysdbaPassword);
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateOnLine_05));
  ASSERT_EQ(op.boxes.size(), 2u);
  EXPECT_EQ(op.boxes[1].kind, DialogKind::Warning);
  EXPECT_EQ(op.boxes[1].text, GetMessageText(msg::uUpdate_UpdateOnLine_06));
  // Online never pauses.
  EXPECT_EQ(clock.Sleeps().size(), 1u);
}

TEST_F(DbModesServerTest, RequestsThemselvesRaiseWhenAlreadyInMode) {
  const std::string path = profile.ServerPrefix + product.db_file();
  try {
    DBOnLine({.client_library = profile.ClientLibName,
              .database = path,
              .user = "SYSDBA",
              .password = kTestSysdbaPassword},
             profile.ServerPrefix);
    FAIL() << "online accepted for a database that is online";
  } catch (const db::FirebirdError& e) {
    EXPECT_EQ(e.gds_code(), isc_bad_shutdown_mode) << e.what();
    EXPECT_TRUE(IsAlreadyInMode(e));
  }
}

TEST_F(DbModesServerTest, WrongPasswordGivesServerMessageAndLeavesDatabaseOnline) {
  try {
    UpdateShutdown(facilities, op, profile, product.folder(), "wrong");
    FAIL() << "shutdown with a wrong password";
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("Your user name and password are not defined"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateShutdown_1));
  EXPECT_TRUE(op.boxes.empty());
  EXPECT_TRUE(clock.Sleeps().empty());
  EXPECT_TRUE(AdmnAdmitted());
}

TEST_F(DbModesServerTest, BlankPasswordIsRejectedBeforeAnyServerContact) {
  profile.ClientLibName = "libno-such-fbclient.so.9";  // a load would fail differently
  try {
    UpdateShutdown(facilities, op, profile, product.folder(), "  ");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The password was not specified!");
  }
  EXPECT_TRUE(AdmnAdmitted());
}

TEST_F(DbModesServerTest, MissingServerPartRaisesAfterTheLogLine) {
  profile.ClientLibName = "libno-such-fbclient.so.9";
  const std::string empty_product = product.folder() + "/DB_Data/elsewhere";
  std::filesystem::create_directories(empty_product);
  for (const bool shutdown : {true, false}) {
    op.log.clear();
    try {
      if (shutdown)
        UpdateShutdown(facilities, op, profile, empty_product, kTestSysdbaPassword);
      else
        UpdateOnLine(facilities, op, profile, empty_product, kTestSysdbaPassword);
      FAIL();
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), GetMessageText(shutdown ? msg::uUpdate_UpdateShutdown_2
                                                  : msg::uUpdate_UpdateOnLine_02));
    }
    EXPECT_EQ(op.log.back(), GetMessageText(shutdown ? msg::uUpdate_UpdateShutdown_1
                                                     : msg::uUpdate_UpdateOnLine_01));
  }
  EXPECT_TRUE(op.boxes.empty());
}

TEST_F(DbModesServerTest, MissingDatabaseFileGivesServerMessage) {
  const std::string missing = product.db_file() + ".gone";
  try {
    DBShutdown(facilities,
               {.client_library = profile.ClientLibName,
                .database = profile.ServerPrefix + missing,
                .user = "SYSDBA",
                .password = kTestSysdbaPassword},
               profile.ServerPrefix);
    FAIL();
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(DbModesServerTest, MalformedConnectionStringGivesServerMessage) {
  try {
    DBOnLine({.client_library = profile.ClientLibName,
              .database = "no-such-host.invalid/3051:" + product.db_file(),
              .user = "SYSDBA",
              .password = kTestSysdbaPassword},
             profile.ServerPrefix);
    FAIL();
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("no-such-host.invalid"), std::string::npos) << e.what();
  }
}

TEST_F(DbModesServerTest, ServerThatIsDownGivesNetworkMessage) {
  try {
    DBShutdown(facilities,
               {.client_library = profile.ClientLibName,
                .database = "localhost/3059:" + product.db_file(),
                .user = "SYSDBA",
                .password = kTestSysdbaPassword},
               profile.ServerPrefix);
    FAIL();
  } catch (const db::FirebirdError& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to complete network request"), std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(AdmnAdmitted());
}

TEST_F(DbModesServerTest, EmptyPrefixUsesTheLocalServicesManager) {
  profile.ServerPrefix = "";
  UpdateShutdown(facilities, op, profile, product.folder(), kTestSysdbaPassword);
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateShutdown_3));
  EXPECT_TRUE(RefusesWithin(product.db_file(), "ADMN", kTestAdmnPassword, 5s));
  UpdateOnLine(facilities, op, profile, product.folder(), kTestSysdbaPassword);
  EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateOnLine_03));
  EXPECT_TRUE(AdmnAdmitted());
}

TEST(DbModesFolderNameServerTest, AtSignsAndBackslashesInTheFolderAreFilePath) {
  UPDATER_SKIP_WITHOUT_TEST_SERVER();
  // (A folder with ":" is no test: the server opens no such database, isql-fb neither.)
  ChangeLanguage(3);
  const ProjectProfile profile = PresetProfile();
  testing::FakeClock clock;
  const Facilities facilities{clock, SilentProgress(), PlatformServiceControl(),
                              SystemServerProcesses()};
  for (const std::string name : {"a@b", "x\\\\y"}) {
    SCOPED_TRACE(name);
    ProductWithDatabase product(name);
    testing::RecordingOperator op;
    UpdateShutdown(facilities, op, profile, product.folder(), kTestSysdbaPassword);
    EXPECT_TRUE(RefusesWithin(product.db_file(), "ADMN", kTestAdmnPassword, 5s));
    UpdateOnLine(facilities, op, profile, product.folder(), kTestSysdbaPassword);
    EXPECT_TRUE(Admits(product.db_file(), "ADMN", kTestAdmnPassword));
    EXPECT_EQ(op.log.back(), GetMessageText(msg::uUpdate_UpdateOnLine_03));
  }
}

}  // namespace
}  // namespace updater
