#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "messages/ldm.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"
#include "tests/support/temp_folder.h"

namespace updater {
namespace {

TEST(StartupTest, SetsFirebirdMsgToOneBlank) {
  testing::ScopedEnv cleared("FIREBIRD_MSG", nullptr);
  SetFirebirdMsgEnv();
  ASSERT_NE(std::getenv("FIREBIRD_MSG"), nullptr);
  EXPECT_STREQ(std::getenv("FIREBIRD_MSG"), " ");
}

TEST(StartupTest, FailedLanguageGivesNoProfileAndNoSecondBox) {
  testing::RecordingOperator op;
  std::optional<ProjectProfile> profile = StartWithoutWindow(op, [](Operator& o) {
    // The real change with a number out of range, shown the way the message module does.
    try {
      ChangeLanguage(o, 7);
    } catch (const std::exception& e) {
      o.MessageDlg(DialogKind::Error, e.what(), {DialogButton::OK}, DialogButton::OK);
      throw;
    }
  });
  EXPECT_FALSE(profile.has_value());
  // Only the error dialog of the language step (an empty-text warning may come before it).
  ASSERT_FALSE(op.dialogs.empty());
  EXPECT_EQ(op.dialogs.back().kind, DialogKind::Error);
  EXPECT_EQ(op.dialogs.back().text.rfind("7 - is not a valid property value!", 0), 0u);
  for (std::size_t i = 0; i + 1 < op.dialogs.size(); ++i) {
    EXPECT_NE(op.dialogs[i].kind, DialogKind::Error);
  }
  EXPECT_TRUE(op.boxes.empty());
  EXPECT_TRUE(op.log.empty());
}

}  // namespace
}  // namespace updater
