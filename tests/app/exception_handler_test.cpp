#include "app/exception_handler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/run_log.h"
#include "seams/application_title.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

using testing::RecordingOperator;

TEST(WithFullStopTest, AppendsAfterCharactersAboveTheFullStop) {
  EXPECT_EQ(WithFullStop("Disk full"), "Disk full.");
  EXPECT_EQ(WithFullStop("Ошибка"), "Ошибка.");  // a Cyrillic letter counts as a letter
  EXPECT_EQ(WithFullStop("Vérifié"), "Vérifié.");
  EXPECT_EQ(WithFullStop("Error 5"), "Error 5.");
  EXPECT_EQ(WithFullStop("a/b"), "a/b.");          // "/" is 47
  EXPECT_EQ(WithFullStop("Really?"), "Really?.");  // "?" is 63: the rule is by code only
  EXPECT_EQ(WithFullStop("Wait\xE2\x80\xA6"), "Wait\xE2\x80\xA6.");  // an ellipsis character
}

TEST(WithFullStopTest, LeavesTextEndingAtOrBelowTheFullStop) {
  EXPECT_EQ(WithFullStop("Stop!"), "Stop!");
  EXPECT_EQ(WithFullStop("(code 3)"), "(code 3)");
  EXPECT_EQ(WithFullStop("Done."), "Done.");
  EXPECT_EQ(WithFullStop("a-"), "a-");  // 45
  EXPECT_EQ(WithFullStop("a,"), "a,");  // 44
  EXPECT_EQ(WithFullStop("line\r"), "line\r");
  EXPECT_EQ(WithFullStop(""), "");
}

TEST(WithFullStopTest, BrokenUtf8CountsAsAboveTheFullStop) {
  EXPECT_EQ(WithFullStop("x\x8F"), "x\x8F.");  // a stray continuation byte
  EXPECT_EQ(WithFullStop("x\xD0"), "x\xD0.");  // a lead byte without its tail
}

TEST(AEExceptionTest, LogsTheMessageAndShowsItWithAFullStop) {
  RecordingOperator op;
  AEException(op, Error("Сервер не найден"));
  ASSERT_EQ(op.log.size(), 1u);
  EXPECT_EQ(op.log[0], "Сервер не найден");  // the log keeps the text as raised
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_EQ(op.boxes[0].kind, DialogKind::Error);
  EXPECT_EQ(op.boxes[0].caption, "Updater_DunVeld");
  EXPECT_EQ(op.boxes[0].text, "Сервер не найден.");
}

TEST(AEExceptionTest, MessagesEndingInPunctuationAreShownAsRaised) {
  for (const char* message : {"Failed!", "Failed (twice)", "Failed."}) {
    RecordingOperator op;
    AEException(op, std::runtime_error(message));
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_EQ(op.boxes[0].text, message);
    EXPECT_EQ(op.log, std::vector<std::string>{message});
  }
}

TEST(AEExceptionTest, SilentForCancellationAndCompleteRollback) {
  RecordingOperator op;
  AEException(op, Cancelled());
  AEException(op, Cancelled("declined"));
  AEException(op, RolledBack());
  EXPECT_TRUE(op.log.empty());
  EXPECT_TRUE(op.boxes.empty());
  AEException(op, RolledBack("DunVeld.exe was not put back"));
  EXPECT_EQ(op.log, std::vector<std::string>{"DunVeld.exe was not put back"});
}

// Logs through a real run log whose file has gone.
class BrokenLogOperator final : public Operator {
 public:
  explicit BrokenLogOperator(const std::string& folder) : log_(clock_, folder, nullptr) {
    std::filesystem::remove(log_.LogFile());
  }
  void SaveExceptionToLog(const std::string& text) override { log_.SaveExceptionToLog(text); }
  void ProcessMessages() override {}
  DialogButton MessageDlg(DialogKind, const std::string&, const std::vector<DialogButton>&,
                          DialogButton focus) override {
    return focus;
  }
  void ShowMessage(DialogKind, const std::string& caption, const std::string& text) override {
    boxes.emplace_back(caption, text);
  }
  void SetStatus(const std::string&) override {}

  RealClock clock_;
  RunLog log_;
  std::vector<std::pair<std::string, std::string>> boxes;
};

TEST(AEExceptionTest, FailedLogEntryStillShowsTheBoxAndNamesTheLog) {
  testing::TempFolder folder;
  BrokenLogOperator op(folder.path());
  AEException(op, Error("Server stopped"));
  ASSERT_EQ(op.boxes.size(), 1u);
  EXPECT_EQ(op.boxes[0].first, kApplicationTitle);
  const std::string& text = op.boxes[0].second;
  EXPECT_EQ(text.rfind("Server stopped.\r\n\r\n", 0), 0u) << text;
  EXPECT_NE(text.find(op.log_.LogFile()), std::string::npos) << text;
}

}  // namespace
}  // namespace updater
