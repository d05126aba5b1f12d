#include "db/connection_params.h"

#include <gtest/gtest.h>

#include "sys/error.h"

namespace updater::db {
namespace {

TEST(ConnectParams, HaveTheExactFormWithAnEmptyRoleKept) {
  EXPECT_EQ(BuildConnectParams({.client_library = "libfbclient.so.2",
                                .database = "localhost/3051:/x/DunVeld.fdb",
                                .user = "ADMN",
                                .password = "s3cret",
                                .charset = "UTF8"}),
            "db_name=localhost/3051:/x/DunVeld.fdb; password=s3cret; user_name=ADMN; "
            "lc_ctype=UTF8; sql_role_name=; sql_dialect=3; clientlib=\"libfbclient.so.2\"");
  EXPECT_EQ(BuildConnectParams({"L", "D", "U", "P", "C", "R"}),
            "db_name=D; password=P; user_name=U; lc_ctype=C; sql_role_name=R; sql_dialect=3; "
            "clientlib=\"L\"");
  // A semicolon or a blank alone is fine: only the pair is the separator.
  EXPECT_NO_THROW(BuildConnectParams({"L", "D", "U", "a;b c", "C", ""}));
}

// What the binding writes, the library reads back field for field.
TEST(ConnectParams, WrittenTextReadsBackAsTheSameValue) {
  const ConnectionParams cases[] = {
      {"fbclient.dll", "localhost/3051:C:\\OVN\\DunVeld.fdb", "ADMN", "pa=ss;word", "UTF8", ""},
      {"libfbclient.so.2", "/x.fdb", "SYSDBA", "a b", "WIN1251", "DV_ADMIN", 1},
      {"l", "d", "", "", "", "", 3},
  };
  for (const ConnectionParams& params : cases) {
    EXPECT_EQ(ParseConnectParams(BuildConnectParams(params)), params) << params.database;
  }
}

TEST(ParseConnectParams, ReadsTheBindingsText) {
  const auto params = ParseConnectParams(
      "db_name=localhost/3051:C:\\OVN\\DunVeld.fdb; password=pa=ss;word; user_name=ADMN; "
      "lc_ctype=UTF8; sql_role_name=; sql_dialect=3; clientlib=\"fbclient.dll\"");
  EXPECT_EQ(params.database, "localhost/3051:C:\\OVN\\DunVeld.fdb");
  EXPECT_EQ(params.password, "pa=ss;word");
  EXPECT_EQ(params.user, "ADMN");
  EXPECT_EQ(params.charset, "UTF8");
  EXPECT_EQ(params.role, "");
  EXPECT_EQ(params.dialect, 3);
  EXPECT_EQ(params.client_library, "fbclient.dll");
}

TEST(ParseConnectParams, KeysInAnyOrderAndCaseAndARole) {
  const auto params = ParseConnectParams(
      "CLIENTLIB=\"libfbclient.so.2\"; Sql_Role_Name=DV_ADMIN; SQL_DIALECT=1; DB_NAME=/x.fdb");
  EXPECT_EQ(params.role, "DV_ADMIN");
  EXPECT_EQ(params.dialect, 1);
  EXPECT_EQ(params.database, "/x.fdb");
  EXPECT_EQ(params.client_library, "libfbclient.so.2");
}

TEST(ParseConnectParams, RefusesWhatItCannotUse) {
  for (const char* text : {
           "",                                           // nothing
           "password=x; clientlib=\"l\"",                // no database
           "db_name=; clientlib=\"l\"",                  // empty database
           "db_name=d",                                  // no client library
           "db_name=d; clientlib=\"l\"; colour=blue",    // unknown pair
           "db_name=d; clientlib=\"l\"; sql_dialect=2",  // no such connection dialect
           "db_name=d; clientlib=\"l\"; just text",      // no equals sign
       }) {
    EXPECT_THROW(ParseConnectParams(text), Error) << text;
  }
}

}  // namespace
}  // namespace updater::db
