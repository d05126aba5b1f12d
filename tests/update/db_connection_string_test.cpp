#include "update/db_connection_string.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

struct Split {
  std::string manager;
  std::string file;
};

Split Of(const std::string& connection_string, const std::string& prefix = "\x01none") {
  const DbServerAndFile parts = SplitConnectionString(connection_string, prefix);
  return {ServicesManagerName(parts), parts.FilePath};
}

struct SplitCase {
  const char* name;
  const char* text;
  const char* manager;
  const char* file;
};

class SplitConnectionStringTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitConnectionStringTest, GivesTheServicesManagerAndTheFile) {
  const Split s = Of(GetParam().text);
  EXPECT_EQ(s.manager, GetParam().manager) << GetParam().text;
  EXPECT_EQ(s.file, GetParam().file) << GetParam().text;
}

const SplitCase kSplits[] = {
    {"DrivePathIsLocal", "C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb", "service_mgr",
     "C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb"},
    // Too short for a drive path: the ":" names a server.
    {"ShortDriveNamesAServer", "C:", "C:service_mgr", ""},
    {"HostAndPortBeforeADrivePath", "localhost/3051:C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb",
     "localhost/3051:service_mgr", "C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb"},
    {"HostAndPortBeforeAPosixPath", "localhost/3051:/opt/DunVeld/DB_Data/DunVeld.fdb",
     "localhost/3051:service_mgr", "/opt/DunVeld/DB_Data/DunVeld.fdb"},
    // A second ":" from the third character on rules out the drive path.
    {"DrivePathAfterServerIsNotLocal", "x:C:\\db.fdb", "x:service_mgr", "C:\\db.fdb"},
    {"UncNameGivesServerUpToNextBackslash", "\\\\server\\C:\\db\\a.fdb", "server:service_mgr",
     "C:\\db\\a.fdb"},
    {"UncNameAlone", "\\\\server", "server:service_mgr", ""},
    {"DoubledBackslashesWinOverAtAndColon", "\\\\srv\\a@b:c", "srv:service_mgr", "a@b:c"},
    {"AtSignSplitsAtTheFirstOne", "server@/data/a@b.fdb", "server:service_mgr", "/data/a@b.fdb"},
    // The at sign is tried before the colon.
    {"AtSignBeforeColon", "host:x@/db.fdb", "host:x:service_mgr", "/db.fdb"},
    {"PlainPathIsLocal", "/var/lib/DunVeld.fdb", "service_mgr", "/var/lib/DunVeld.fdb"},
    {"BareFileNameIsLocal", "DunVeld.fdb", "service_mgr", "DunVeld.fdb"},
    {"EmptyIsLocal", "", "service_mgr", ""},
    {"EmptyServerStillUsesTheNetworkName", ":/db.fdb", ":service_mgr", "/db.fdb"},
};

INSTANTIATE_TEST_SUITE_P(Rules, SplitConnectionStringTest, ::testing::ValuesIn(kSplits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplitConnectionStringPrefixTest, BehindTheProfilesPrefixEverythingIsFilePath) {
  const std::string prefix = "localhost/3051:";
  for (const std::string path : {"/var/tmp/x/a@b/DunVeld.fdb", "/var/tmp/x\\\\y/DunVeld.fdb",
                                 "/var/tmp/c:d/DunVeld.fdb", "\\\\srv\\a@b:c"}) {
    const Split s = Of(prefix + path, prefix);
    EXPECT_EQ(s.manager, "localhost/3051:service_mgr") << path;
    EXPECT_EQ(s.file, path);
  }
  // An empty prefix: the whole string is a local path.
  const Split local = Of("/var/tmp/x/a@b/DunVeld.fdb", "");
  EXPECT_EQ(local.manager, "service_mgr");
  EXPECT_EQ(local.file, "/var/tmp/x/a@b/DunVeld.fdb");
  // Other prefixes follow the same rules as whole strings do.
  const Split unc = Of("\\\\srv\\/data/a@b.fdb", "\\\\srv\\");
  EXPECT_EQ(unc.manager, "srv:service_mgr");
  EXPECT_EQ(unc.file, "/data/a@b.fdb");
  // A string that does not begin with the prefix is split by the rules.
  const Split other = Of("host@/db.fdb", prefix);
  EXPECT_EQ(other.manager, "host:service_mgr");
  EXPECT_EQ(other.file, "/db.fdb");
}

}  // namespace
}  // namespace updater
