#include "scriptlib/block_statement.h"

#include <gtest/gtest.h>

#include "db/sql_literal.h"

namespace updater::scriptlib {
namespace {

TEST(BlockStatement, RecognisesTheHeadWhateverItsCaseAndLeadingComments) {
  EXPECT_TRUE(IsBlockStatement("execute ibeblock(A = 'x') as begin end"));
  EXPECT_TRUE(IsBlockStatement("-- c\n/* d */ EXECUTE\n  IbeBlock (A = 'x') as begin end"));
  EXPECT_FALSE(IsBlockStatement("execute block as begin end"));
  EXPECT_FALSE(IsBlockStatement("execute ibeblocks(A = 'x')"));
  EXPECT_FALSE(IsBlockStatement("select 1 from rdb$database"));
}

TEST(BlockStatement, FirstParameterNamesTheFileAndEveryParameterBecomesAVariable) {
  const auto block = ParseBlockStatement(
      "execute ibeblock(Roles_File_Name = 'C:\\Tmp$1\\New\\Roles.sql', Who = 'O''Brien')\n"
      "returns (line varchar(100))\nas\nbegin line = :Who; suspend; end");
  ASSERT_EQ(block.params.size(), 2u);
  EXPECT_EQ(block.params[1].second, "O'Brien");
  EXPECT_EQ(block.output_file, "C:\\Tmp$1\\New\\Roles.sql");
  EXPECT_EQ(block.sql,
            "EXECUTE BLOCK returns (line varchar(100))\nAS\n"
            "DECLARE VARIABLE Roles_File_Name VARCHAR(22) CHARACTER SET UTF8 = "
            "'C:\\Tmp$1\\New\\Roles.sql';\n"
            "DECLARE VARIABLE Who VARCHAR(7) CHARACTER SET UTF8 = 'O''Brien';\n\n"
            "begin line = :Who; suspend; end");
}

// A path quoted for the capture script's parameter line reads back whole, and quoted again in
// the block's variable it is the same literal.
TEST(BlockStatement, QuotedPathsReadBackWhole) {
  const struct {
    const char* path;
    const char* literal;
  } cases[] = {
      {"/srv/DunVeld/Roles.sql", "'/srv/DunVeld/Roles.sql'"},
      {"/srv/O'Brien/Roles.sql", "'/srv/O''Brien/Roles.sql'"},
      {"C:\\a''b\\Roles.sql", "'C:\\a''''b\\Roles.sql'"},
      {"/opt/Программы 2 @dv/Roles.sql", "'/opt/Программы 2 @dv/Roles.sql'"},
      {"'", "''''"},
      {"", "''"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string literal = db::SqlStringLiteral(c.path);
    EXPECT_EQ(literal, c.literal);
    if (*c.path == '\0') continue;  // a block needs a file to write to
    const auto block =
        ParseBlockStatement("execute ibeblock(Roles_File_Name = " + literal + ") as begin end");
    EXPECT_EQ(block.output_file, c.path);
    EXPECT_NE(block.sql.find("= " + literal + ";"), std::string::npos) << block.sql;
  }
}

TEST(BlockStatement, OutputToPicksAnotherParameter) {
  const auto block = ParseBlockStatement(
      "execute ibeblock(Title = 'x', Target = '/var/tmp/out.txt') output to TARGET "
      "returns (a varchar(5), b varchar(5)) as begin suspend; end");
  EXPECT_EQ(block.output_file, "/var/tmp/out.txt");
  EXPECT_EQ(block.sql.rfind("EXECUTE BLOCK returns (a varchar(5), b varchar(5))\nAS\n", 0), 0u);
}

TEST(BlockStatement, MalformedHeadsAreRejected) {
  for (const char* text : {
           "execute ibeblock as begin end",                        // no parameters
           "execute ibeblock() as begin end",                      // no file named
           "execute ibeblock(F = '') as begin end",                // empty file name
           "execute ibeblock(F = 'x' as begin end",                // unclosed list
           "execute ibeblock(F = x) as begin end",                 // unquoted value
           "execute ibeblock(F = 'x) as begin end",                // unterminated value
           "execute ibeblock(F = 'x', F = 'y') as begin end",      // twice
           "execute ibeblock(F = 'x') output to G as begin end",   // unknown parameter
           "execute ibeblock(F = 'x') returns (a int) begin end",  // no AS
           "execute ibeblock(F = 'x') returns (a varchar(3) as begin end",
           "execute ibeblock(F = 'x') as select 1 from t",  // no BEGIN
       }) {
    EXPECT_THROW(ParseBlockStatement(text), BlockSyntaxError) << text;
  }
}

}  // namespace
}  // namespace updater::scriptlib
