#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/db_connection.h"
#include "sys/error.h"

namespace updater::db {
namespace {

using ::testing::StrEq;
using ::testing::ThrowsMessage;

// The first blank value in the fixed order names itself; blanks and control characters
// count as empty.
TEST(CheckDBParamsTest, TheFirstBlankValueGivesItsText) {
  const struct {
    ConnectionParams params;
    const char* text;  // nullptr: accepted
  } cases[] = {
      {{"", "d", "u", "p"}, "The client's library was not specified!"},
      {{"l", "", "u", "p"}, "The database was not specified!"},
      {{"l", "d", "", "p"}, "The user's name was not specified!"},
      {{"l", "d", "u", ""}, "The password was not specified!"},
      {{"l", "d", "u", "   "}, "The password was not specified!"},
      {{"l", " \t\r\n", "u", "p"}, "The database was not specified!"},
      {{"l", " ", "u", " "}, "The database was not specified!"},
      {{"", "", "", ""}, "The client's library was not specified!"},
      {{"l", "d", " ", ""}, "The user's name was not specified!"},
      {{"l", "d", "u", "p"}, nullptr},
      {{"l", "d", "u", " x "}, nullptr},
  };
  for (const auto& c : cases) {
    if (c.text == nullptr) {
      EXPECT_NO_THROW(CheckDBParams(c.params)) << c.params.password;
    } else {
      EXPECT_THAT([&] { CheckDBParams(c.params); }, ThrowsMessage<Error>(StrEq(c.text)))
          << c.params.database << "/" << c.params.password;
    }
  }
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
