#include "update/privilege_cleanup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "db/statement.h"
#include "db/transaction.h"
#include "script/run_script.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"
#include "tests/support/test_database.h"

namespace updater {
namespace {

constexpr const char* kClient = "libfbclient.so.2";

std::string VersionReply(const std::string& server) {
  std::string body = std::string(1, '\x02') + static_cast<char>(server.size()) + server +
                     static_cast<char>(7) + "LI-V3.0";
  std::string reply(1, static_cast<char>(isc_info_firebird_version));
  reply += static_cast<char>(body.size() & 0xff);
  reply += static_cast<char>(body.size() >> 8);
  return reply + body + static_cast<char>(isc_info_end);
}

TEST(PrivilegeCleanup, OlderServersGetTheDeleteStatementsAsTheyStand) {
  EXPECT_EQ(PrivilegeCleanupScript(PrivilegeGrantor::Admn, 2),
            "delete from Rdb$User_Privileges A where A.Rdb$User_Type = 8 and A.Rdb$Grantor = "
            "'ADMN' and A.Rdb$User <> 'SYSDBA' and A.Rdb$User <> 'ADMN' and A.Rdb$User <> "
            "'PUBLIC'; commit;");
  EXPECT_EQ(PrivilegeCleanupScript(PrivilegeGrantor::Sysdba, 1),
            "delete from Rdb$User_Privileges A where A.Rdb$User_Type = 8 and A.Rdb$Grantor = "
            "'SYSDBA' and A.Rdb$User <> 'SYSDBA' and A.Rdb$User <> 'ADMN' and A.Rdb$User <> "
            "'PUBLIC'; commit;");
  EXPECT_NE(PrivilegeCleanupScript(PrivilegeGrantor::Sysdba, 3).find("REVOKE"), std::string::npos);
}

TEST(PrivilegeCleanup, ServerMajorVersionFromTheVersionReply) {
  EXPECT_EQ(ParseServerMajorVersion(VersionReply("LI-V3.0.11.33703 Firebird 3.0")), 3);
  EXPECT_EQ(ParseServerMajorVersion(VersionReply("WI-V2.5.9.27139 Firebird 2.5")), 2);
  EXPECT_EQ(ParseServerMajorVersion(VersionReply("LI-T10.0.0.1 Firebird 10.0")), 10);
  EXPECT_THROW(ParseServerMajorVersion(VersionReply("garbage")), Error);
  EXPECT_THROW(ParseServerMajorVersion(std::string(1, static_cast<char>(isc_info_end))), Error);
}

}  // namespace
}  // namespace updater
