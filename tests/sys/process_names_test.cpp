#include "sys/process_names.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(ProcessNamesTest, MatchesTheExecutableFileNameWithoutRegardToCase) {
  ProcessNames p{"fbsrvdnvl.exe", "/opt/firebird/bin/firebird", "/opt/x/bin/fbsrvdnvl.exe"};
  EXPECT_TRUE(NamesMatch(p, "FBSRVDNVL.EXE", 15));
  EXPECT_TRUE(NamesMatch(p, "Firebird", 15));
  EXPECT_TRUE(NamesMatch(p, "/opt/firebird/bin/firebird", 15));
  EXPECT_FALSE(NamesMatch(p, "fbsrvdnvl", 15));
  EXPECT_FALSE(NamesMatch(p, "srvdnvl.exe", 15));
  EXPECT_FALSE(NamesMatch(p, "", 15));
}

TEST(ProcessNamesTest, ACutShortNameNeedsTheCommandLineToAgree) {
  // The kernel keeps 15 characters of "VeryLongSleeperName".
  ProcessNames cut{"VeryLongSleeper", "", "./VeryLongSleeperName"};
  EXPECT_FALSE(NamesMatch(cut, "VeryLongSleeper", 15));
  EXPECT_TRUE(NamesMatch(cut, "verylongsleepername", 15));
  EXPECT_FALSE(NamesMatch(cut, "VeryLongSleeperNameX", 15));
  // Exactly 15 characters, no executable known: the command line decides.
  ProcessNames exact{"abcdefghijklmno", "", "/bin/abcdefghijklmno"};
  EXPECT_TRUE(NamesMatch(exact, "ABCDEFGHIJKLMNO", 15));
}

TEST(ProcessNamesTest, AReplacedExecutableStillMatches) {
  ProcessNames p{"x", "/opt/DunVeld/Program/DunVeld.exe (deleted)", ""};
  EXPECT_TRUE(NamesMatch(p, "dunveld.exe", 15));
  EXPECT_EQ(AsciiUpper("aZ9-ä"), "AZ9-ä");
}

}  // namespace
}  // namespace updater
