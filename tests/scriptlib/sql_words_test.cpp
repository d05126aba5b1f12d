#include "scriptlib/sql_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace updater::scriptlib {
namespace {

TEST(SqlWords, FirstWordIsTheLeadingIdentifier) {
  const struct {
    const char* text;
    const char* word;
  } cases[] = {
      {"  insert into t values (1)", "INSERT"},
      {"\r\n\tCreate table t (i int)", "CREATE"},
      {"rdb$set_context('x')", "RDB$SET_CONTEXT"},
      {"(select 1 from rdb$database)", ""},
      {"1 + 1", ""},
      {"\xC3\xA9t\xC3\xA9", ""},  // letters beyond ASCII are no word start
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstWord(c.text), c.word) << c.text;
}

TEST(SqlWords, ContainsWordNeedsWordBoundaries) {
  const struct {
    const char* text;
    bool found;
  } cases[] = {
      {"insert into t values (1) returning id", true},
      {"update t set a = 1 Returning\n a", true},
      {"insert into returning_log values (1)", false},
      {"insert into log$returning values (1)", false},
      {"update t set xreturning = 1", false},
      {"returning", true},
      {"returnin", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ContainsWord(c.text, "RETURNING"), c.found) << c.text;
}

TEST(SqlWords, TokensAreBlankSeparatedAndUpperCase) {
  EXPECT_EQ(Tokens(" set\tsql  dialect 3 extra", 4),
            (std::vector<std::string>{"SET", "SQL", "DIALECT", "3"}));
  EXPECT_EQ(Tokens("commit work;", 4), (std::vector<std::string>{"COMMIT", "WORK;"}));
  EXPECT_TRUE(Tokens(" \r\n", 4).empty());
}

}  // namespace
}  // namespace updater::scriptlib
