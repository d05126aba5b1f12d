#include "app/cli_operator.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sys/clock.h"
#include "sys/error.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using namespace std::chrono;
using B = DialogButton;

class CliOperatorTest : public ::testing::Test {
 protected:
  CliOperatorTest() : clock_(sys_days{year{2007} / 1 / 5} + hours{14} + minutes{3} + seconds{9}) {}

  CliOperator Make(const std::string& input, bool assume_yes) {
    in_.str(input);
    return CliOperator(clock_, folder_.path(), in_, out_, err_, assume_yes);
  }

  testing::ScopedEnv tz_{"TZ", "UTC0"};
  testing::ScopedEnv lc_all_{"LC_ALL", "C"};
  testing::TempFolder folder_;
  testing::FakeClock clock_;
  std::istringstream in_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(CliOperatorTest, LogEntriesGoToStandardOutputAndTheFile) {
  CliOperator op = Make("", false);
  op.SaveExceptionToLog("Start\r\nsecond line");
  EXPECT_EQ(out_.str(), "01/05/07 - 14:03:09: Start\n\tsecond line\n");
  std::ifstream file(op.LogFile(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "\r01/05/07 - 14:03:09: Start\r\nsecond line\r\n");
  EXPECT_TRUE(err_.str().empty());
}

TEST_F(CliOperatorTest, QuestionDefaultsToNoOnEmptyAnswerOrEndOfInput) {
  CliOperator op = Make("\n", false);
  EXPECT_EQ(op.MessageDlg(DialogKind::Confirmation, "Go on?", {B::Yes, B::No}, B::Yes), B::No);
  EXPECT_EQ(op.MessageDlg(DialogKind::Confirmation, "Again?", {B::Yes, B::No}, B::Yes), B::No);
  EXPECT_NE(err_.str().find("Go on?"), std::string::npos);
  EXPECT_NE(err_.str().find("Yes/No [No]: "), std::string::npos);
}

TEST_F(CliOperatorTest, TypedAnswersPickTheirButton) {
  CliOperator op = Make("y\nNO\nmaybe\nyes\n", false);
  EXPECT_EQ(op.MessageDlg(DialogKind::Confirmation, "1", {B::Yes, B::No}, B::No), B::Yes);
  EXPECT_EQ(op.MessageDlg(DialogKind::Confirmation, "2", {B::Yes, B::No}, B::Yes), B::No);
  // An answer that names no button is asked again.
  EXPECT_EQ(op.MessageDlg(DialogKind::Confirmation, "3", {B::Yes, B::No}, B::No), B::Yes);
}

TEST_F(CliOperatorTest, AssumeYesAnswersWithoutReading) {
  CliOperator op = Make("n\n", true);
  EXPECT_EQ(op.MessageDlg(DialogKind::Warning, "Stop the server?", {B::Yes, B::No}, B::No), B::Yes);
  EXPECT_EQ(op.MessageDlg(DialogKind::Warning, "Proceed?", {B::OK, B::Cancel}, B::Cancel), B::OK);
  std::string unread;
  std::getline(in_, unread);
  EXPECT_EQ(unread, "n");
}

TEST_F(CliOperatorTest, WithoutATerminalQuestionsDeclineUnreadAndYesStillAnswers) {
  CliOperator op = Make("y\n", false);
  op.SetNoTerminal();
  EXPECT_EQ(op.MessageDlg(DialogKind::Information, "Continue?", {B::Yes, B::No}, B::No), B::No);
  EXPECT_EQ(op.MessageDlg(DialogKind::Warning, "Go?", {B::OK, B::Cancel}, B::OK), B::Cancel);
  EXPECT_EQ(op.MessageDlg(DialogKind::Error, "Failed", {B::OK}, B::OK), B::OK);
  EXPECT_NE(err_.str().find("-> No (no terminal"), std::string::npos) << err_.str();
  std::string unread;
  std::getline(in_, unread);
  EXPECT_EQ(unread, "y");

  CliOperator yes = Make("", true);
  yes.SetNoTerminal();
  EXPECT_EQ(yes.MessageDlg(DialogKind::Warning, "Stop?", {B::Yes, B::No}, B::No), B::Yes);
}

TEST_F(CliOperatorTest, OneButtonDialogIsOnlyShown) {
  CliOperator op = Make("", false);
  EXPECT_EQ(op.MessageDlg(DialogKind::Error, "Script failed\rline 2", {B::OK}, B::OK), B::OK);
  EXPECT_EQ(err_.str(), "[Error] Script failed\nline 2\n");
}

TEST_F(CliOperatorTest, MessageBoxAndStatusGoToStandardError) {
  CliOperator op = Make("", false);
  op.ShowMessage(DialogKind::Error, "Updater_DunVeld", "No server.\r\nCheck it");
  op.SetStatus("The updating was interrupted!");
  op.SetStatus("");
  EXPECT_EQ(err_.str(),
            "Updater_DunVeld [Error]: No server.\nCheck it\n"
            "Status: The updating was interrupted!\n");
  EXPECT_TRUE(out_.str().empty());
}

TEST(DefaultAnswerTest, DeclinesUnlessTold) {
  EXPECT_EQ(DefaultAnswer({B::Yes, B::No}, B::Yes, false), B::No);
  EXPECT_EQ(DefaultAnswer({B::OK, B::Cancel}, B::OK, false), B::Cancel);
  EXPECT_EQ(DefaultAnswer({B::Abort, B::Retry, B::Ignore}, B::Retry, false), B::Abort);
  EXPECT_EQ(DefaultAnswer({B::Yes, B::No, B::Cancel}, B::Yes, true), B::Yes);
  EXPECT_EQ(DefaultAnswer({B::Retry, B::Cancel}, B::Retry, true), B::Cancel);
  EXPECT_EQ(DefaultAnswer({B::OK}, B::OK, false), B::OK);
}

}  // namespace
}  // namespace updater

namespace updater {
namespace {

TEST(CliOperatorWithoutLogTest, AsksBeforeTheLogExistsButCannotLog) {
  std::istringstream in("yes\n");
  std::ostringstream out, err;
  CliOperator op(in, out, err, false);
  EXPECT_EQ(op.MessageDlg(DialogKind::Confirmation, "Go?", {B::Yes, B::No}, B::No), B::Yes);
  EXPECT_TRUE(op.LogFile().empty());
  EXPECT_THROW(op.SaveExceptionToLog("too early"), Error);
  EXPECT_TRUE(out.str().empty());

  testing::TempFolder folder;
  RealClock clock;
  op.CreateRunLog(clock, folder.path());
  EXPECT_EQ(op.LogFile().rfind(folder.path() + "/Logs/", 0), 0u) << op.LogFile();
  op.SaveExceptionToLog("now");
  EXPECT_NE(out.str().find(": now\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace updater
