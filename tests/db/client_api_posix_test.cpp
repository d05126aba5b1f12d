#include "db/client_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "seams/project_profile.h"
#include "sys/error.h"

namespace updater::db {
namespace {

std::string LoadError(const std::string& name) {
  try {
    LoadClientApi(name);
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

TEST(ClientApiTest, SameNameGivesTheSameTable) {
  const std::string name = PresetProfile().ClientLibName;
  const ClientApi& first = LoadClientApi(name);
  EXPECT_EQ(&first, &LoadClientApi(name));
  EXPECT_NE(first.isc_attach_database, nullptr);
  EXPECT_NE(first.isc_service_start, nullptr);
  EXPECT_NE(first.fb_interpret, nullptr);
}

TEST(ClientApiTest, FileBesideTheExecutableIsTriedFirst) {
  const auto self = std::filesystem::read_symlink("/proc/self/exe");
  const std::string name = "libupdater-test-broken-client.so";
  const auto beside = self.parent_path() / name;
  {
    std::ofstream junk(beside);
    junk << "not a shared library";
  }
  const std::string text = LoadError(name);
  std::filesystem::remove(beside);
  EXPECT_NE(text.find("\"" + beside.string() + "\""), std::string::npos) << text;
  EXPECT_NE(text.find("could not be loaded: "), std::string::npos) << text;
}

TEST(ClientApiTest, MissingLibraryIsNamedWithTheLoadersReason) {
  const std::string text = LoadError("libno-such-fbclient.so.9");
  EXPECT_NE(text.find("\"libno-such-fbclient.so.9\""), std::string::npos) << text;
  EXPECT_NE(text.find("cannot open shared object file"), std::string::npos) << text;
}

TEST(ClientApiTest, LibraryWithoutEntryPointsIsRefused) {
  // A real shared library that is not a Firebird client.
  const std::string text = LoadError("libm.so.6");
  EXPECT_NE(text.find("lacks the entry point \"isc_attach_database\""), std::string::npos) << text;
}

}  // namespace
}  // namespace updater::db
