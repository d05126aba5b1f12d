#include "scriptlib/statement_splitter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace updater::scriptlib {
namespace {

// Splits `script` fed in pieces of `chunk` bytes; every piece size must give the same result.
std::vector<ScriptStatement> Split(const std::string& script, std::size_t chunk) {
  StatementSplitter splitter;
  std::vector<ScriptStatement> result;
  for (std::size_t at = 0; at < script.size(); at += chunk) {
    splitter.Feed(std::string_view(script).substr(at, chunk));
    while (auto statement = splitter.Next()) result.push_back(*statement);
  }
  splitter.Finish();
  while (auto statement = splitter.Next()) result.push_back(*statement);
  return result;
}

std::vector<std::string> Texts(const std::string& script) {
  std::vector<std::string> texts;
  for (const auto& s : Split(script, script.size() + 1)) texts.push_back(s.text);
  // The same script fed byte by byte and in odd pieces must split identically.
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}}) {
    std::vector<std::string> again;
    for (const auto& s : Split(script, chunk)) again.push_back(s.text);
    EXPECT_EQ(again, texts) << "pieces of " << chunk;
  }
  return texts;
}

using Strings = std::vector<std::string>;

TEST(StatementSplitter, SplitsAtTerminatorsAndTrims) {
  EXPECT_EQ(Texts("create table t (a int);\n  insert into t values (1) ;\n"),
            (Strings{"create table t (a int)", "insert into t values (1)"}));
  EXPECT_EQ(Texts("SET SQL DIALECT 3; "), (Strings{"SET SQL DIALECT 3"}));
}

TEST(StatementSplitter, TerminatorsInsideStringsCommentsAndQuotedNamesDoNotSplit) {
  EXPECT_EQ(Texts("insert into t values ('a;b');"), (Strings{"insert into t values ('a;b')"}));
  EXPECT_EQ(Texts("insert into t values ('it''s; fine', 'x');"),
            (Strings{"insert into t values ('it''s; fine', 'x')"}));
  EXPECT_EQ(Texts("select 1 from \"odd;name\"\"x\" ;"),
            (Strings{"select 1 from \"odd;name\"\"x\""}));
  EXPECT_EQ(Texts("select 1 /* a; b */ from t; -- tail; comment\nselect 2 from t;"),
            (Strings{"select 1 /* a; b */ from t", "select 2 from t"}));
  EXPECT_EQ(Texts("select q'{a;'b}' from t; select q'!x;!' from t;"),
            (Strings{"select q'{a;'b}' from t", "select q'!x;!' from t"}));
  // Each bracket closes with its partner only; the same bracket again is text.
  EXPECT_EQ(Texts("select q'(a;(')' || q'[b;[']' || q'<c;<'>' from t;"),
            (Strings{"select q'(a;(')' || q'[b;[']' || q'<c;<'>' from t"}));
  // Line breaks as the delimiter of an alternative string count once, however it is fed.
  const std::string newline_quoted = "select q'\na;\n' from t;\nselect 2 from t;";
  const auto whole = Split(newline_quoted, newline_quoted.size());
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_EQ(whole[1].line, 4u);
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
    const auto pieces = Split(newline_quoted, chunk);
    ASSERT_EQ(pieces.size(), 2u) << chunk;
    EXPECT_EQ(pieces[1].line, 4u) << chunk;
  }
  // A quote inside a comment and a comment opener inside a string change nothing.
  EXPECT_EQ(Texts("-- don't\nselect '--' from t; /* \" */ select 1 from t;"),
            (Strings{"select '--' from t", "select 1 from t"}));
}

TEST(StatementSplitter, DropsEmptyStatementsAndLeadingComments) {
  EXPECT_EQ(Texts(";;  ; \n-- only a comment\n;/* x */;"), Strings{});
  EXPECT_EQ(Texts("-- head\n/* more */ commit; ;; rollback"), (Strings{"commit", "rollback"}));
  EXPECT_EQ(Texts(""), Strings{});
}

TEST(StatementSplitter, TextAfterTheLastTerminatorIsAStatement) {
  EXPECT_EQ(Texts("commit; select 1 from t  \n"), (Strings{"commit", "select 1 from t"}));
  EXPECT_EQ(Texts("select 1 from t -- no terminator"),
            (Strings{"select 1 from t -- no terminator"}));
}

TEST(StatementSplitter, SetTermChangesTheTerminatorAnyLength) {
  const std::string script =
      "set term ^ ;\n"
      "create procedure p as begin exit; end^\n"
      "SET  TERM  !!  ^\n"
      "execute block as begin if (1=1) then exit; end !!\n"
      "set term ; !!\n"
      "select 1 from t;";
  EXPECT_EQ(
      Texts(script),
      (Strings{"set term ^", "create procedure p as begin exit; end", "SET  TERM  !!",
               "execute block as begin if (1=1) then exit; end", "set term ;", "select 1 from t"}));
  auto statements = Split(script, 5);
  ASSERT_EQ(statements.size(), 6u);
  EXPECT_TRUE(statements[0].set_term);
  EXPECT_FALSE(statements[1].set_term);
  EXPECT_TRUE(statements[2].set_term);
  EXPECT_TRUE(statements[4].set_term);
}

TEST(StatementSplitter, ChangedTerminatorIsHiddenInStringsToo) {
  EXPECT_EQ(Texts("set term ## ;\nselect '##' from t## select 2 from t ##"),
            (Strings{"set term ##", "select '##' from t", "select 2 from t"}));
  // The old terminator no longer splits.
  EXPECT_EQ(Texts("set term ^;\nselect 1 from t; select 2 from t^"),
            (Strings{"set term ^", "select 1 from t; select 2 from t"}));
}

TEST(StatementSplitter, SkipsByteOrderMarkAndCountsLinesWithCrLf) {
  const std::string script =
      "\xEF\xBB\xBF"
      "select 1 from t;\r\n\r\n  select 2\r\n from t;\r\n";
  auto statements = Split(script, 2);
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[0].text, "select 1 from t");
  EXPECT_EQ(statements[0].line, 1u);
  EXPECT_EQ(statements[1].text, "select 2\r\n from t");
  EXPECT_EQ(statements[1].line, 3u);
  // A mark that is not at the very start is text.
  EXPECT_EQ(Texts("select 1;\xEF\xBB\xBF"), (Strings{"select 1", "\xEF\xBB\xBF"}));
}

TEST(StatementSplitter, UnterminatedStringsAndCommentsAreErrors) {
  struct Case {
    std::string script;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {"select 1 from t;\ninsert into t values ('abc;\n);",
            "Unterminated string literal starting at line 2"},
           {"select \"abc from t;", "Unterminated quoted identifier starting at line 1"},
           {"select 1 from t;\n\n/* never closed; select 2;",
            "Unterminated comment starting at line 3"},
           {"select q'{abc' from t;", "Unterminated string literal starting at line 1"},
           {"select 'it''", "Unterminated string literal starting at line 1"}}) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{4}, c.script.size()}) {
      StatementSplitter splitter;
      std::vector<std::string> before;
      try {
        for (std::size_t at = 0; at < c.script.size(); at += chunk) {
          splitter.Feed(std::string_view(c.script).substr(at, chunk));
          while (auto s = splitter.Next()) before.push_back(s->text);
        }
        splitter.Finish();
        while (auto s = splitter.Next()) before.push_back(s->text);
        ADD_FAILURE() << "no error for " << c.script;
      } catch (const ScriptSyntaxError& e) {
        EXPECT_EQ(e.what(), c.message) << c.script;
        EXPECT_FALSE(e.statement().empty());
      }
      // The statements before the broken one still come out, and nothing after the error.
      EXPECT_EQ(before.size(), c.script.rfind("select 1 from t;", 0) == 0 ? 1u : 0u) << c.script;
      EXPECT_FALSE(splitter.Next().has_value());
    }
  }
}

TEST(StatementSplitter, BlockStatementEndsAfterItsBody) {
  const std::string script =
      "execute ibeblock(Roles_File_Name = 'a;b.sql')\n"
      "returns (line varchar(100))\n"
      "as\n"
      "declare variable n integer;\n"
      "begin\n"
      "  n = case when 1 = 1 then 1 else 2 end;\n"
      "  begin line = 'x;'; suspend; end\n"
      "end;\n"
      "commit;";
  EXPECT_EQ(Texts(script), (Strings{script.substr(0, script.find("end;\ncommit") + 3), "commit"}));
  // Without a terminator after the body the script's end closes it.
  EXPECT_EQ(Texts("execute ibeblock(F = 'x')\nas begin suspend; end"),
            (Strings{"execute ibeblock(F = 'x')\nas begin suspend; end"}));
  // Other statements keep the plain rule, as isql does.
  EXPECT_EQ(Texts("execute block as begin exit; end;"),
            (Strings{"execute block as begin exit", "end"}));
}

TEST(StatementSplitter, BlockWithoutBeginEndsAtItsFirstTerminator) {
  EXPECT_EQ(Texts("execute ibeblock(F = 'x') returns (l varchar(9)) as select 1 from t;\n"
                  "insert into t values (1);\ncommit;"),
            (Strings{"execute ibeblock(F = 'x') returns (l varchar(9)) as select 1 from t",
                     "insert into t values (1)", "commit"}));
  EXPECT_EQ(Texts("execute ibeblock(F = 'x');\ncommit;"),
            (Strings{"execute ibeblock(F = 'x')", "commit"}));
  // Declarations between AS and BEGIN stay part of the block.
  EXPECT_EQ(Texts("execute ibeblock(F = 'x') as declare variable a int; declare b int;\n"
                  "begin a = 1; end;\ncommit;"),
            (Strings{"execute ibeblock(F = 'x') as declare variable a int; declare b int;\n"
                     "begin a = 1; end",
                     "commit"}));
  // Also when the terminator is a letter, which a word could start with.
  EXPECT_EQ(
      Texts("set term T;\nexecute ibeblock as declare a int T declare b int T\n"
            "begin a = 1; end T\ncommit T"),
      (Strings{"set term T",
               "execute ibeblock as declare a int T declare b int T\nbegin a = 1; end", "commit"}));
}

TEST(StatementSplitter, HugeWordFedInSmallPiecesIsScannedOnce) {
  // Rescanning the word for every piece would take minutes here.
  const std::string word(32 << 20, 'w');
  StatementSplitter splitter;
  const auto started = std::chrono::steady_clock::now();
  splitter.Feed("select ");
  for (std::size_t at = 0; at < word.size(); at += 4096) {
    splitter.Feed(std::string_view(word).substr(at, 4096));
    ASSERT_FALSE(splitter.Next().has_value());
  }
  splitter.Feed(" from t;");
  auto statement = splitter.Next();
  ASSERT_TRUE(statement.has_value());
  EXPECT_EQ(statement->text.size(), word.size() + 14);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST(StatementSplitter, LargeInputSplitsInBoundedBuffer) {
  StatementSplitter splitter;
  std::size_t count = 0;
  const std::string piece = "insert into t values (1, 'a;b'); -- c;\n";
  for (int i = 0; i < 20000; ++i) {
    splitter.Feed(piece);
    while (auto s = splitter.Next()) {
      ASSERT_EQ(s->text, "insert into t values (1, 'a;b')");
      ++count;
    }
  }
  splitter.Finish();
  while (splitter.Next()) ++count;
  EXPECT_EQ(count, 20000u);
}

}  // namespace
}  // namespace updater::scriptlib
