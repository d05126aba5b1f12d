#include "tests/support/test_database.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <utility>

#include "db/firebird_error.h"
#include "db/parameter_block.h"
#include "db/service_attachment.h"
#include "db/statement.h"
#include "db/transaction.h"
#include "seams/project_profile.h"

namespace updater::testing {

namespace {

const char* const kSetup[] = {
    "CREATE ROLE DV_ADMIN",
    "CREATE ROLE DV_USER",
    "CREATE TABLE DV_SETTINGS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60) NOT NULL,"
    " VAL VARCHAR(200))",
    "CREATE TABLE DV_DOCUMENTS (ID INTEGER NOT NULL PRIMARY KEY, TITLE VARCHAR(120),"
    " CREATED TIMESTAMP DEFAULT CURRENT_TIMESTAMP, AMOUNT NUMERIC(12,2), BODY BLOB SUB_TYPE TEXT)",
    "GRANT ALL ON DV_SETTINGS TO ROLE DV_ADMIN",
    "GRANT ALL ON DV_DOCUMENTS TO ROLE DV_ADMIN",
    "GRANT SELECT ON DV_DOCUMENTS TO ROLE DV_USER",
    "GRANT DV_ADMIN TO ADMN",
    "GRANT SELECT ON DV_SETTINGS TO ADMN",
};

const char* const kRows[] = {
    "INSERT INTO DV_SETTINGS (ID, NAME, VAL) VALUES (1, 'Version', '1.0')",
    "INSERT INTO DV_SETTINGS (ID, NAME, VAL) VALUES (2, 'Language', NULL)",
    "INSERT INTO DV_DOCUMENTS (ID, TITLE, AMOUNT, BODY) VALUES (1, 'First', 12.5, 'Body text')",
};

// The user lives in the server's security database, shared by tests that run at once: a
// concurrent change of the same user may fail with an update conflict, so it is retried.
void EnsureAdmnUser(db::Attachment& attachment) {
  db::ParameterBlock wait;
  wait.Byte(isc_tpb_version3).Byte(isc_tpb_write).Byte(isc_tpb_concurrency).Byte(isc_tpb_wait);
  for (int attempt = 0;; ++attempt) {
    try {
      db::Transaction transaction(attachment, wait);
      db::ExecuteImmediate(
          attachment, transaction,
          std::string("CREATE OR ALTER USER ADMN PASSWORD '") + kTestAdmnPassword + "'", 3);
      transaction.Commit();
      return;
    } catch (const db::FirebirdError&) {
      if (attempt == 20) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

std::string UniqueName(const std::string& stem) {
  static std::atomic<int> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return stem + "-" + std::to_string(OwnProcessId()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(ticks % 1000000) + ".fdb";
}

}  // namespace

std::string TestDatabaseFolder() {
  const char* env = std::getenv("UPDATER_TEST_DB_DIR");
  const std::string folder =
      env != nullptr && *env != '\0' ? std::string(env) : DefaultTestDatabaseFolder();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::filesystem::create_directories(folder, error);
    std::filesystem::permissions(
        folder, std::filesystem::perms::all | std::filesystem::perms::sticky_bit, error);
  }
  return folder;
}

std::string MakeProductFolder(const std::string& stem) {
  namespace fs = std::filesystem;
  const std::string base = TestDatabaseFolder() + "/" + stem + "-" + std::to_string(OwnProcessId());
  static std::atomic<int> counter{0};
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::string folder = base + "-" + std::to_string(counter++);
    if (!fs::create_directory(folder)) continue;
    fs::create_directory(folder + "/DB_Data");
    fs::permissions(folder, fs::perms(0755));
    fs::permissions(folder + "/DB_Data", fs::perms::all);
    return folder;
  }
  throw std::runtime_error("no fresh folder could be made under " + base);
}

const db::ClientApi& TestClientApi() {
  return db::LoadClientApi(PresetProfile().ClientLibName);
}

db::Attachment AttachToTestServer(const std::string& path, const std::string& user,
                                  const std::string& password, const std::string& role) {
  return db::Attachment(TestClientApi(), kTestServerPrefix + path,
                        db::DatabaseParameters(user, password, "WIN1251", role));
}

// Where no server can be reached the fixture skips its tests; nothing is made meanwhile.
TestDatabase::TestDatabase(const std::string& stem) {
  if (TestServerUnavailable()) return;
  path_ = TestDatabaseFolder() + "/" + UniqueName(stem);
  Create();
}

TestDatabase::TestDatabase(AtPathTag, const std::string& path) {
  if (TestServerUnavailable()) return;
  path_ = path;
  Create();
}

TestDatabase TestDatabase::AtPath(const std::string& path) {
  return TestDatabase(AtPathTag{}, path);
}

TestDatabase::TestDatabase(TestDatabase&& other) noexcept
    : path_(std::exchange(other.path_, std::string())) {}

TestDatabase::~TestDatabase() {
  Remove();
}

void TestDatabase::Create() {
  const db::ClientApi& api = TestClientApi();
  db::Attachment attachment = db::Attachment::Create(
      api,
      "CREATE DATABASE '" + connection_string() + "' USER 'SYSDBA' PASSWORD '" +
          kTestSysdbaPassword + "' PAGE_SIZE 4096 DEFAULT CHARACTER SET WIN1251",
      3);
  try {
    EnsureAdmnUser(attachment);
    {
      db::Transaction ddl(attachment, db::ReadCommittedParameters());
      for (const char* sql : kSetup) {
        db::ExecuteImmediate(attachment, ddl, sql, 3);
        ddl.Commit(true);
      }
      ddl.Commit();
    }
    db::Transaction data(attachment, db::ReadCommittedParameters());
    for (const char* sql : kRows) db::ExecuteImmediate(attachment, data, sql, 3);
    data.Commit();
  } catch (...) {
    attachment.Drop();
    throw;
  }
  attachment.Detach();
}

void TestDatabase::Remove() noexcept {
  if (path_.empty()) return;
  const db::ClientApi* api = nullptr;
  try {
    api = &TestClientApi();
    db::Attachment attachment = AttachToTestServer(path_, "SYSDBA", kTestSysdbaPassword);
    attachment.Drop();
  } catch (const std::exception&) {
    // A test may have left it shut down: bring it online and try once more.
    try {
      if (api != nullptr) {
        db::ServiceAttachment service(*api, std::string(kTestServerPrefix) + "service_mgr",
                                      db::ServiceAttachParameters("SYSDBA", kTestSysdbaPassword));
        db::ParameterBlock online;
        online.Byte(isc_action_svc_properties)
            .String16(isc_spb_dbname, path_)
            .Int32(isc_spb_options, isc_spb_prp_db_online);
        service.Start(online);
        service.Detach();
        AttachToTestServer(path_, "SYSDBA", kTestSysdbaPassword).Drop();
      }
    } catch (const std::exception&) {
    }
  }
  std::error_code error;
  std::filesystem::remove(path_, error);
}

}  // namespace updater::testing
