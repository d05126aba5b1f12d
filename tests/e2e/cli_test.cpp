#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/engine_commands.h"
#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/e2e/cli_process.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::RunProcess;
using testing::TempFolder;

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Each test runs its own copy of the built front end.
class CliProcessTest : public ::testing::Test {
 protected:
  CliProcessTest() {
    cli_ = testing::CopyOfBuiltCli(fs::path(folder_.path()) / "bin");
    fs::create_directories(scratch());
  }

  fs::path scratch() const { return fs::path(folder_.path()) / "scratch"; }
  fs::path logs() const { return cli_.parent_path() / "Logs"; }

  ProcessResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunProcess(cli_, args, scratch(), input, "LC_ALL=C TZ=UTC0");
  }

  std::vector<fs::path> LogFiles() const {
    std::vector<fs::path> files;
    if (fs::is_directory(logs())) {
      for (const auto& entry : fs::directory_iterator(logs())) files.push_back(entry.path());
    }
    return files;
  }

  TempFolder folder_;
  fs::path cli_;
};

TEST_F(CliProcessTest, MessagesPrintsAKeyInEveryLanguage) {
  ProcessResult r = Run({"messages", "uMain_Finished_1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (int language = 1; language <= 5; ++language) {
    ChangeLanguage(language);
    std::string text = GetMessageText("uMain_Finished_1");
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(Contains(r.out, " " + std::to_string(language) + " ")) << r.out;
    EXPECT_TRUE(Contains(r.out, ": " + text + "\n")) << language << "\n" << r.out;
  }
  EXPECT_EQ(r.out.rfind("uMain_Finished_1\n", 0), 0u) << r.out;
  // Listing messages writes no run log.
  EXPECT_TRUE(LogFiles().empty());
}

TEST_F(CliProcessTest, MessagesFillsPlaceholders) {
  ProcessResult r = Run({"messages", "uUpdate_UpdateInit_2", "-P", "/srv/Dun Veld"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  ChangeLanguage(3);
  EXPECT_TRUE(Contains(r.out, GetMessageText("uUpdate_UpdateInit_2", "/srv/Dun Veld"))) << r.out;
  EXPECT_FALSE(Contains(r.out, "{0}")) << r.out;
}

TEST_F(CliProcessTest, MessagesWithoutKeysShowsTheDefaultSet) {
  ProcessResult r = Run({"messages"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* key : {"uMain_OkBtn_1", "uMain_Finished_3", "uMain_FormCreate_2"}) {
    EXPECT_TRUE(Contains(r.out, std::string(key) + "\n")) << key;
  }
  // A text with line breaks continues on indented lines, never with a bare CR.
  EXPECT_FALSE(Contains(r.out, "\r")) << r.out;
}

TEST_F(CliProcessTest, UnknownMessageKeyFails) {
  ProcessResult r = Run({"messages", "uMain_Finished_1", "no_such_key"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, "no_such_key")) << r.err;
}

TEST_F(CliProcessTest, InvalidLanguageEndsWithTheErrorBox) {
  ProcessResult r = Run({"--language", "9", "messages"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, "[Error] 9 - is not a valid property value!")) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST_F(CliProcessTest, UpdateOfAMissingFolderFailsWithALoggedErrorBeforeAnyQuestion) {
  ChangeLanguage(3);
  ProcessResult r =
      Run({"--language", "3", "update", "--product-dir", "/nowhere", "--password", ""});
  const std::string message = GetMessageText("uUpdate_UpdateInit_2", "/nowhere");
  EXPECT_EQ(r.exit_code, 1);
  // The log line on standard output: date - time: text.
  EXPECT_TRUE(Contains(r.out, ": " + message + "\n")) << r.out;
  EXPECT_TRUE(Contains(r.err, "Updater_DunVeld [Error]: " + message)) << r.err;
  EXPECT_FALSE(Contains(r.err, "Yes/No")) << r.err;
  std::vector<fs::path> files = LogFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(Contains(files[0].filename().string(), "_Updater.log")) << files[0];
  EXPECT_TRUE(Contains(testing::ReadFile(files[0]), ": " + message + "\r\n"));
}

TEST_F(CliProcessTest, ModeCommandsWithoutAServerPartFailBeforeAnyServerContact) {
  // A product folder without DB_Data/DunVeld.fdb: the error names the missing part.
  ChangeLanguage(3);
  const struct {
    const char* command;
    const char* key;
  } cases[] = {{"shutdown", "uUpdate_UpdateShutdown_2"}, {"online", "uUpdate_UpdateOnLine_02"}};
  // On a fixed disk: a product folder on a RAM disk would be refused before the check.
  std::string pattern = "/var/tmp/updater-e2e-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const fs::path product = pattern;
  for (const auto& c : cases) {
    ProcessResult r = Run({"--language", "3", c.command, "--product-dir", product.string()});
    EXPECT_EQ(r.exit_code, 1) << c.command;
    EXPECT_TRUE(Contains(r.out, GetMessageText(c.key))) << r.out;
    EXPECT_TRUE(Contains(r.err, "[Error]")) << r.err;
  }
  fs::remove(product);
}

TEST_F(CliProcessTest, UnwritableLogFolderEndsBeforeTheCommand) {
  // A file where the Logs folder should be.
  std::ofstream(logs()) << "in the way";
  ProcessResult r = Run({"online"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, logs().string() + "/")) << r.err;
  EXPECT_FALSE(Contains(r.err, "not available")) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST_F(CliProcessTest, GlobalOptionsMayFollowTheCommand) {
  ProcessResult r = Run({"online", "--yes", "--language", "0"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Contains(r.err, "[Error] 0 - is not a valid property value!")) << r.err;
  EXPECT_FALSE(Contains(r.err, "not expected")) << r.err;
}

TEST_F(CliProcessTest, WaitScaleOutsideItsRangeIsAUsageError) {
  for (const char* scale : {"0", "-1", "1.5", "fast"}) {
    ProcessResult r = Run({"online", "--wait-scale", scale});
    EXPECT_EQ(r.exit_code, 1) << scale;
    EXPECT_TRUE(Contains(r.err, "--wait-scale")) << r.err;
    EXPECT_TRUE(LogFiles().empty()) << scale;
  }
}

TEST_F(CliProcessTest, PasswordFileOpenToOthersEndsTheCommandWithoutShowingIt) {
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

TEST_F(CliProcessTest, UsageErrorsAndHelp) {
  EXPECT_EQ(Run({}).exit_code, 1);
  EXPECT_EQ(Run({"frobnicate"}).exit_code, 1);
  EXPECT_EQ(Run({"update", "--no-such-option"}).exit_code, 1);
  ProcessResult help = Run({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* command :
       {"update", "online", "shutdown", "start-service", "stop-service", "messages"}) {
    EXPECT_TRUE(Contains(help.out, command)) << help.out;
  }
  ProcessResult update_help = Run({"update", "--help"});
  EXPECT_EQ(update_help.exit_code, 0);
  EXPECT_TRUE(Contains(update_help.out, "--admn-password")) << update_help.out;
  EXPECT_FALSE(Contains(Run({"online", "--help"}).out, "--admn-password"));
}

TEST_F(CliProcessTest, AnUnknownCommandIsNamed) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"bogus"}, {"--language", "3", "bogus", "-d", "/x"}}) {
    ProcessResult r = Run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(Contains(r.err, "Unknown command \"bogus\"")) << r.err;
  }
}

TEST_F(CliProcessTest, ServiceCommandsWithoutADiscoveredServerFailAtOnce) {
  const fs::path empty = scratch() / "empty.reg";
  const fs::path broken = scratch() / "broken.reg";
  std::ofstream(empty) << "Windows Registry Editor Version 5.00\n";
  std::ofstream(broken) << "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\A]\n";
  ChangeLanguage(3);
  const std::string advice = GetMessageText("uMain_FormCreate_2");
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
