// The front end and what only POSIX systems have: file modes, and the registry file that
// stands in for the Windows registry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/engine_commands.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/e2e/cli_fixture.h"

namespace updater {
namespace {

// One suite, one fixture class: the shared one is another type in each file.
class CliPosixProcessTest : public CliProcessTest {};

TEST_F(CliPosixProcessTest, UnwritableLogFolderEndsBeforeTheCommand) {
  // A file where the Logs folder should be.
  std::ofstream(logs()) << "in the way";
  ProcessResult r = Run({"online"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, logs().string() + "/")) << r.err;
  EXPECT_FALSE(Contains(r.err, "not available")) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST_F(CliPosixProcessTest, PasswordFileOpenToOthersEndsTheCommandWithoutShowingIt) {
  const fs::path file = scratch() / "sysdba.pw";
  std::ofstream(file) << "Leaky-Secret-91\n";
  ::chmod(file.c_str(), 0644);
  ProcessResult r = Run({"online", "--product-dir", "/nowhere", "--password-file", file.string()});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, "Updater_DunVeld [Error]: The password file " + file.string()))
      << r.err;
  // The command itself never ran: no word about the product folder.
  EXPECT_FALSE(Contains(r.out, "/nowhere")) << r.out;
  std::vector<fs::path> files = LogFiles();
  ASSERT_EQ(files.size(), 1u);
  for (const std::string& text : {r.out, r.err, testing::ReadFile(files[0])}) {
    EXPECT_FALSE(Contains(text, "Leaky-Secret-91")) << text;
  }
  // Both a value and a file for the same password is a usage error.
  EXPECT_EQ(Run({"online", "-p", "x", "--password-file", file.string()}).exit_code, 1);
}

TEST_F(CliPosixProcessTest, ServiceCommandsWithoutADiscoveredServerFailAtOnce) {
  const fs::path empty = scratch() / "empty.reg";
  const fs::path broken = scratch() / "broken.reg";
  std::ofstream(empty) << "Windows Registry Editor Version 5.00\n";
  std::ofstream(broken) << "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\A]\n";
  ChangeLanguage(3);
  const std::string advice = GetMessageText(msg::uMain_FormCreate_2);
  const std::string advice_start = advice.substr(0, advice.find_first_of("\r\n"));
  for (const char* command : {"start-service", "stop-service"}) {
    for (const fs::path& registry : {empty, broken}) {
      SCOPED_TRACE(std::string(command) + " " + registry.string());
      const auto start = std::chrono::steady_clock::now();
      ProcessResult r = RunProcess(cli_, {"--language", "3", command}, scratch(), "",
                                   "LC_ALL=C TZ=UTC0 UPDATER_REGISTRY=" + registry.string());
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
      EXPECT_EQ(r.exit_code, 1);
      const std::string said = r.out + r.err;
      EXPECT_TRUE(Contains(said, registry == empty ? kNoServerFoundText : "HKEY_NOWHERE")) << said;
      EXPECT_TRUE(Contains(said, advice_start)) << said;
    }
  }
}

}  // namespace
}  // namespace updater
