#include "sys/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace updater {
namespace {

TEST(TwoDigitsTest, KeepsExactlyTwoCharacters) {
  struct Case {
    int number;
    const char* text;
  } cases[] = {{0, "00"},  {5, "05"},    {9, "09"},    {10, "10"},  {12, "12"},
               {59, "59"}, {2024, "24"}, {2007, "07"}, {123, "23"}, {100, "00"},
               {-5, "-5"}, {-12, "12"},  {-123, "23"}};
  for (const Case& c : cases) EXPECT_EQ(TwoDigits(c.number), c.text) << c.number;
}

TEST(ReplaceAllTest, ReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceAll("C{3A}{5C}OVN{5C}DunVeld", "{5C}", "\\"), "C{3A}\\OVN\\DunVeld");
  EXPECT_EQ(ReplaceAll("no pattern here", "{5C}", "\\"), "no pattern here");
  EXPECT_EQ(ReplaceAll("{5C}{5C}", "{5C}", ""), "");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

TEST(ReplaceAllTest, IsCaseSensitive) {
  EXPECT_EQ(ReplaceAll("{5c}{5C}", "{5C}", "/"), "{5c}/");
}

TEST(ReplaceAllTest, ReplacesOccurrencesThatAReplacementForms) {
  // "abb": ab -> a leaves "ab", which is replaced in its turn.
  EXPECT_EQ(ReplaceAll("abbbb", "ab", "a"), "a");
  // The new occurrence starts before the replaced one.
  EXPECT_EQ(ReplaceAll("aab", "ab", "b"), "b");
  EXPECT_EQ(ReplaceAll("{5{5C}C}", "{5C}", ""), "");
}

TEST(ReplaceAllTest, EndsWhenTheReplacementHoldsThePattern) {
  EXPECT_EQ(ReplaceAll("a{5C}b{5C}", "{5C}", "[{5C}]"), "a[{5C}]b[{5C}]");
  EXPECT_EQ(ReplaceAll("xx", "x", "xx"), "xxxx");
}

TEST(LineFeedsTest, EveryBreakBecomesALineFeed) {
  EXPECT_EQ(LineFeeds("a\r\nb\rc\nd"), "a\nb\nc\nd");
  EXPECT_EQ(LineFeeds("\r\r\n"), "\n\n");
}

TEST(SplitLinesTest, BreaksAtEveryKindOfLineEnd) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitLines("A\r\nB"), (V{"A", "B"}));
  EXPECT_EQ(SplitLines("a\rb\nc"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("A\r\n"), (V{"A"}));
  EXPECT_EQ(SplitLines("\r\n"), (V{""}));
  EXPECT_EQ(SplitLines("A\n\rB"), (V{"A", "", "B"}));  // LF CR is two breaks
  EXPECT_EQ(SplitLines("A\r\n\r\nB\r"), (V{"A", "", "B"}));
  EXPECT_EQ(SplitLines("one"), (V{"one"}));
}

}  // namespace
}  // namespace updater
