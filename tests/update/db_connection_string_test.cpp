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

void ExpectSplit(const std::string& text, const std::string& manager, const std::string& file) {
  const Split s = Of(text);
  EXPECT_EQ(s.manager, manager) << text;
  EXPECT_EQ(s.file, file) << text;
}

TEST(SplitConnectionStringTest, DrivePathIsLocal) {
  ExpectSplit("C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb", "service_mgr",
              "C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb");
  // Too short for a drive path: the ":" names a server.
  ExpectSplit("C:", "C:service_mgr", "");
}

TEST(SplitConnectionStringTest, HostAndPortPrefix) {
  ExpectSplit("localhost/3051:C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb", "localhost/3051:service_mgr",
              "C:\\OVN\\DunVeld\\DB_Data\\DunVeld.fdb");
  ExpectSplit("localhost/3051:/opt/DunVeld/DB_Data/DunVeld.fdb", "localhost/3051:service_mgr",
              "/opt/DunVeld/DB_Data/DunVeld.fdb");
}

TEST(SplitConnectionStringTest, DrivePathAfterServerIsNotLocal) {
  // A second ":" from the third character on rules out the drive path.
  ExpectSplit("x:C:\\db.fdb", "x:service_mgr", "C:\\db.fdb");
}

TEST(SplitConnectionStringTest, UncNameGivesServerUpToNextBackslash) {
  ExpectSplit("\\\\server\\C:\\db\\a.fdb", "server:service_mgr", "C:\\db\\a.fdb");
  ExpectSplit("\\\\server", "server:service_mgr", "");
}

TEST(SplitConnectionStringTest, DoubledBackslashesWinOverAtAndColon) {
  ExpectSplit("\\\\srv\\a@b:c", "srv:service_mgr", "a@b:c");
}

TEST(SplitConnectionStringTest, AtSignSplitsAtTheFirstOne) {
  ExpectSplit("server@/data/a@b.fdb", "server:service_mgr", "/data/a@b.fdb");
  // The at sign is tried before the colon.
  ExpectSplit("host:x@/db.fdb", "host:x:service_mgr", "/db.fdb");
}

TEST(SplitConnectionStringTest, PlainPathIsLocal) {
  ExpectSplit("/var/lib/DunVeld.fdb", "service_mgr", "/var/lib/DunVeld.fdb");
  ExpectSplit("DunVeld.fdb", "service_mgr", "DunVeld.fdb");
  ExpectSplit("", "service_mgr", "");
}

TEST(SplitConnectionStringTest, BehindTheProfilesPrefixEverythingIsFilePath) {
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

TEST(SplitConnectionStringTest, EmptyServerStillUsesTheNetworkName) {
  ExpectSplit(":/db.fdb", ":service_mgr", "/db.fdb");
}

}  // namespace
}  // namespace updater
