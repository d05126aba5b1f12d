#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/attachment.h"
#include "db/client_library.h"

namespace updater::testing {

// The fixture server (scripts/fbserver-fixture start).
inline constexpr const char* kTestServerPrefix = "localhost/3051:";
inline constexpr const char* kTestSysdbaPassword = "trelmowask";
inline constexpr const char* kTestAdmnPassword = "7";

// A fixed-disk folder the server's own user can write: UPDATER_TEST_DB_DIR, else a folder
// of the platform's (/var/tmp/updater-test-db here). Created on first use.
std::string TestDatabaseFolder();

// A fresh folder in TestDatabaseFolder() whose name starts with `stem`, with a DB_Data
// folder in it where the server's own user may create files.
std::string MakeProductFolder(const std::string& stem);

// Why the suites that need the fixture server cannot run on this machine, or nothing when
// they can. Where the fixture is part of the setup its absence is a failure, not a skip.
std::optional<std::string> TestServerUnavailable();

// First thing in a server suite's SetUp (or test body).
#define UPDATER_SKIP_WITHOUT_TEST_SERVER()                                  \
  if (const auto why_skipped = ::updater::testing::TestServerUnavailable()) \
  GTEST_SKIP() << *why_skipped

// Platform parts.
std::string DefaultTestDatabaseFolder();
int OwnProcessId();

// The client library the tests use (the profile's ClientLibName).
const db::ClientApi& TestClientApi();

// An attachment to `path` through the fixture server.
db::Attachment AttachToTestServer(const std::string& path, const std::string& user,
                                  const std::string& password, const std::string& role = {});

// A small DunVeld-like database made by the fixture server: user ADMN (password "7"), roles
// DV_ADMIN and DV_USER, two tables with grants and a few rows. Owned by the server's user.
// Dropped (or at least deleted) when the object goes, also when a test left it shut down.
class TestDatabase {
 public:
  // A uniquely named file in TestDatabaseFolder(); `stem` starts its name.
  explicit TestDatabase(const std::string& stem = "dunveld");
  // Exactly `path`; its folder must exist and be writable by the server's user.
  static TestDatabase AtPath(const std::string& path);
  ~TestDatabase();
  TestDatabase(TestDatabase&& other) noexcept;
  TestDatabase& operator=(TestDatabase&&) = delete;
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  const std::string& path() const { return path_; }
  // The fixture server's prefix and the path.
  std::string connection_string() const { return kTestServerPrefix + path_; }

 private:
  struct AtPathTag {};
  TestDatabase(AtPathTag, const std::string& path);
  void Create();
  void Remove() noexcept;

  std::string path_;
};

}  // namespace updater::testing
