#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/db_connection.h"
#include "sys/error.h"

namespace updater::db {
namespace {

std::string CheckMessage(const std::string& lib, const std::string& db, const std::string& user,
                         const std::string& password) {
  try {
    CheckDBParams({.client_library = lib, .database = db, .user = user, .password = password});
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

TEST(CheckDBParamsTest, EachBlankArgumentHasItsText) {
  EXPECT_EQ(CheckMessage("", "d", "u", "p"), "The client's library was not specified!");
  EXPECT_EQ(CheckMessage("l", "", "u", "p"), "The database was not specified!");
  EXPECT_EQ(CheckMessage("l", "d", "", "p"), "The user's name was not specified!");
  EXPECT_EQ(CheckMessage("l", "d", "u", ""), "The password was not specified!");
  EXPECT_EQ(CheckMessage("l", "d", "u", "p"), "");
}

TEST(CheckDBParamsTest, BlanksAndControlCharactersCountAsEmpty) {
  EXPECT_EQ(CheckMessage("l", "d", "u", "   "), "The password was not specified!");
  EXPECT_EQ(CheckMessage("l", " \t\r\n", "u", "p"), "The database was not specified!");
  EXPECT_EQ(CheckMessage("l", "d", "u", " x "), "");
}

TEST(CheckDBParamsTest, FirstBlankInFixedOrderWins) {
  EXPECT_EQ(CheckMessage("l", " ", "u", " "), "The database was not specified!");
  EXPECT_EQ(CheckMessage("", "", "", ""), "The client's library was not specified!");
  EXPECT_EQ(CheckMessage("l", "d", " ", ""), "The user's name was not specified!");
}

TEST(CheckDBParamsTest, AttachedUsersChecksBeforeLoadingAnything) {
  std::vector<std::string> names = {"kept"};
  try {
    // The library does not exist: a load would give another text.
    GetAttachedUsers("libno-such-fbclient.so.9", "db", "SYSDBA", " ", "", names);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The password was not specified!");
  }
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
}

}  // namespace
}  // namespace updater::db
