#include "sys/command_line.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLineTest, SplitsOnBlanksAndGroupsQuotes) {
  EXPECT_EQ(SplitCommandLine(""), Words{});
  EXPECT_EQ(SplitCommandLine("  a\tb  "), (Words{"a", "b"}));
  EXPECT_EQ(SplitCommandLine(" -o\"C:\\Program Files\\x\" y"),
            (Words{"-oC:\\Program Files\\x", "y"}));
  EXPECT_EQ(SplitCommandLine("\"\""), Words{""});
}

TEST(SplitCommandLineTest, BackslashesEscapeOnlyQuotes) {
  EXPECT_EQ(SplitCommandLine("a\\\\b"), Words{"a\\\\b"});
  EXPECT_EQ(SplitCommandLine("a\\\"b"), Words{"a\"b"});
  EXPECT_EQ(SplitCommandLine("\"a\\\\\" b"), (Words{"a\\", "b"}));
  EXPECT_EQ(SplitCommandLine("\"say \"\"hi\"\"\""), Words{"say \"hi\""});
}

}  // namespace
}  // namespace updater
