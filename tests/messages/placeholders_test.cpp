#include "messages/placeholders.h"

#include <gtest/gtest.h>

#include "messages/message_text.h"

namespace updater {
namespace {

PlaceholderValues Values(std::initializer_list<std::string> given) {
  PlaceholderValues v;
  v.fill(kNull);
  std::size_t i = 0;
  for (const auto& s : given) v[i++] = s;
  return v;
}

TEST(PlaceholdersTest, ReplacesEveryOccurrenceInOrder) {
  EXPECT_EQ(FillPlaceholders("{0} and {0}, {1}", Values({"a", "b"})), "a and a, b");
  EXPECT_EQ(FillPlaceholders("{9}{8}", Values({"", "", "", "", "", "", "", "", "8", "9"})), "98");
  EXPECT_EQ(FillPlaceholders("no placeholder", Values({"x"})), "no placeholder");
  EXPECT_EQ(FillPlaceholders("{0}", Values({""})), "");
}

TEST(PlaceholdersTest, TenAndBrokenBracesAreNotPlaceholders) {
  EXPECT_EQ(FillPlaceholders("{10} {1 } { 1} {1", Values({"zero", "one"})), "{10} {1 } { 1} {1");
  EXPECT_EQ(FillPlaceholders("{{1}}", Values({"", "x"})), "{x}");
}

TEST(PlaceholdersTest, NullLeavesThePlaceholderExactMatchOnly) {
  EXPECT_EQ(FillPlaceholders("{0}|{1}|{2}", Values({"*Null*", "*null*", "*NULL* "})),
            "{0}|*null*|*NULL* ");
}

TEST(PlaceholdersTest, LaterPlaceholdersSeeEarlierInsertionsButNoRescan) {
  // The value for {0} brings a {1}, which the next step fills.
  EXPECT_EQ(FillPlaceholders("<{0}>", Values({"{1}", "one"})), "<one>");
  // A value that contains its own placeholder is not replaced again.
  EXPECT_EQ(FillPlaceholders("{0}-{0}", Values({"{0}{0}"})), "{0}{0}-{0}{0}");
  // An earlier placeholder inserted by a later value stays.
  EXPECT_EQ(FillPlaceholders("{1}", Values({"zero", "{0}"})), "{0}");
}

}  // namespace
}  // namespace updater
