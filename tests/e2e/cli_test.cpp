#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "tests/e2e/cli_fixture.h"
#include "tests/e2e/cli_process.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

TEST_F(CliProcessTest, MessagesPrintsAKeyInEveryLanguage) {
  ProcessResult r = Run({"messages", "uMain_Finished_1"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (int language = 1; language <= 5; ++language) {
    ChangeLanguage(language);
    std::string text = GetMessageText(msg::uMain_Finished_1);
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
  EXPECT_TRUE(Contains(r.out, GetMessageText(msg::uUpdate_UpdateInit_2, "/srv/Dun Veld"))) << r.out;
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
  const std::string nowhere = folder_ / "nowhere";
  ProcessResult r = Run({"--language", "3", "update", "--product-dir", nowhere, "--password", ""});
  const std::string message = GetMessageText(msg::uUpdate_UpdateInit_2, nowhere);
  EXPECT_EQ(r.exit_code, 1);
  // The log line on standard output: date - time: text.
  EXPECT_TRUE(Contains(r.out, ": " + message + "\n")) << r.out;
  EXPECT_TRUE(Contains(r.err, "Updater_DunVeld [Error]: " + message)) << r.err;
  EXPECT_FALSE(Contains(r.err, "Yes/No")) << r.err;
  std::vector<fs::path> files = LogFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(Contains(files[0].filename().string(), "_Updater.log")) << files[0];
  EXPECT_TRUE(Contains(testing::ReadFile(files[0].string()), ": " + message + "\r\n"));
}

TEST_F(CliProcessTest, ModeCommandsWithoutAServerPartFailBeforeAnyServerContact) {
  // A product folder without DB_Data/DunVeld.fdb: the error names the missing part.
  ChangeLanguage(3);
  const struct {
    const char* command;
    MessageKey key;
  } cases[] = {{"shutdown", msg::uUpdate_UpdateShutdown_2},
               {"online", msg::uUpdate_UpdateOnLine_02}};
  // The test's folder is on a fixed disk: one on a RAM disk would be refused before the check.
  const fs::path product = fs::path(folder_.path()) / "product";
  fs::create_directories(product);
  for (const auto& c : cases) {
    ProcessResult r = Run({"--language", "3", c.command, "--product-dir", product.string()});
    EXPECT_EQ(r.exit_code, 1) << c.command;
    EXPECT_TRUE(Contains(r.out, GetMessageText(c.key))) << r.out;
    EXPECT_TRUE(Contains(r.err, "[Error]")) << r.err;
  }
  fs::remove(product);
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

TEST_F(CliProcessTest, UsageErrorsAndHelp) {
  for (const std::vector<std::string>& usage_error :
       {std::vector<std::string>{}, {"frobnicate"}, {"update", "--no-such-option"}}) {
    const ProcessResult r = Run(usage_error);
    EXPECT_EQ(r.exit_code, 1) << r.err;
  }
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

}  // namespace
}  // namespace updater
