#include "update/error_text.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(AppendExceptionMessageTest, FirstMessageGetsOnlyThePrefix) {
  EXPECT_EQ(AppendExceptionMessage("", "abc"), "Exception Message: abc");
}

TEST(AppendExceptionMessageTest, LaterMessagesAreJoinedByALoneCarriageReturn) {
  std::string text = AppendExceptionMessage(AppendExceptionMessage("", "abc"), "def");
  EXPECT_EQ(text, "Exception Message: abc\rException Message: def");
  EXPECT_EQ(AppendExceptionMessage(text, ""),
            "Exception Message: abc\rException Message: def\rException Message: ");
}

TEST(AppendExceptionMessageTest, AnyEarlierTextIsKeptAsItIs) {
  EXPECT_EQ(AppendExceptionMessage("Rollback failed", "x\r\ny"),
            "Rollback failed\rException Message: x\r\ny");
}

}  // namespace
}  // namespace updater
