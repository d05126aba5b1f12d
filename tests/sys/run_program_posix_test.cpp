#include "sys/run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/error.h"
#include "sys/path.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

// A program that tells where and how it was started and ends with the code it is given.
const char* const kScript =
    "#!/bin/sh\n"
    "pwd > where.txt\n"
    "echo $# >> where.txt\n"
    "for a in \"$@\"; do echo \"[$a]\" >> where.txt; done\n"
    "echo $$ > group.txt\n"
    "cut -d' ' -f5 /proc/$$/stat >> group.txt\n"
    "code=0\n"
    "if [ \"$1\" = code ]; then code=$2; fi\n"
    "exit $code\n";

class RunAndWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteFile(folder / "bin dir/tool", kScript);
    ASSERT_EQ(::chmod((folder / "bin dir/tool").c_str(), 0755), 0);
  }
  std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    std::istringstream in(testing::ReadFile(folder / ("bin dir/" + file)));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  testing::TempFolder folder;
  testing::RecordingOperator op;
};

TEST_F(RunAndWaitTest, RunsARelativeProgramInItsOwnFolderAndReturnsItsExitCode) {
  int code = -1;
  {
    testing::ScopedCurrentDirectory cwd(folder.path());
    EXPECT_NO_THROW(code = RunAndWait(op, "bin dir/tool", " code 7", 1));
  }
  EXPECT_EQ(code, 7);
  std::vector<std::string> lines = Lines("where.txt");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], folder / "bin dir");
  EXPECT_EQ(lines[1], "2");
  EXPECT_EQ(op.pumps, 2);
}

TEST_F(RunAndWaitTest, SplitsParametersAsWindowsProgramsDo) {
  EXPECT_EQ(RunAndWait(op, folder / "bin dir/tool", " \"a b\" -x\\\"y 'q'", 1), 0);
  EXPECT_EQ(Lines("where.txt"),
            (std::vector<std::string>{folder / "bin dir", "3", "[a b]", "[-x\"y]", "['q']"}));
  EXPECT_EQ(RunAndWait(op, folder / "bin dir/tool", std::nullopt, 1), 0);
  EXPECT_EQ(Lines("where.txt")[1], "0");
}

TEST_F(RunAndWaitTest, StartsTheProgramInAProcessGroupOfItsOwn) {
  ASSERT_EQ(RunAndWait(op, folder / "bin dir/tool", std::nullopt, 1), 0);
  std::vector<std::string> lines = Lines("group.txt");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], lines[1]) << "process id and group id";
  EXPECT_NE(lines[1], std::to_string(::getpgrp()));
}

TEST_F(RunAndWaitTest, StartsCommandLinesLongerThanTheClassicBuffer) {
  std::string long_word(600, 'w');
  EXPECT_EQ(RunAndWait(op, folder / "bin dir/tool", " " + long_word, 1), 0);
  std::vector<std::string> lines = Lines("where.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "[" + long_word + "]");
}

TEST_F(RunAndWaitTest, DoesNotHandOverOpenDescriptors) {
  testing::WriteFile(folder / "bin dir/check",
                     "#!/bin/sh\ntest -e /proc/$$/fd/$1 && exit 1\nexit 0\n");
  ASSERT_EQ(::chmod((folder / "bin dir/check").c_str(), 0755), 0);
  int fd = ::open((folder / "bin dir/check").c_str(), O_RDONLY);  // inheritable on purpose
  ASSERT_GE(fd, 3);
  int code = RunAndWait(op, folder / "bin dir/check", " " + std::to_string(fd), 1);
  ::close(fd);
  EXPECT_EQ(code, 0);
}

TEST_F(RunAndWaitTest, ReportsASignalAsAnExitCode) {
  testing::WriteFile(folder / "bin dir/die", "#!/bin/sh\nkill -9 $$\n");
  ASSERT_EQ(::chmod((folder / "bin dir/die").c_str(), 0755), 0);
  EXPECT_EQ(RunAndWait(op, folder / "bin dir/die", std::nullopt, 1), 128 + 9);
}

TEST_F(RunAndWaitTest, RaisesTheStartErrorWhenTheProgramCannotStart) {
  testing::WriteFile(folder / "plain.txt", "not a program");
  for (const std::string& program :
       {folder / "missing", folder / "plain.txt", folder.path(), folder / "bin dir/tool"}) {
    // The last one is glued to a parameter without a blank: no such program.
    std::optional<std::string> params;
    if (program == folder / "bin dir/tool") params = "x";
    try {
      RunAndWait(op, program, params, 1);
      ADD_FAILURE() << program << " started";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Unable to run an external program!");
    }
  }
  EXPECT_EQ(op.pumps, 0);
}

}  // namespace
}  // namespace updater
