#include "app/message_listing.h"

#include <gtest/gtest.h>

#include <sstream>

#include "messages/ldm.h"
#include "messages/message_text.h"

namespace updater {
namespace {

std::string TextIn(int language, MessageKey key, const std::string& p0 = kNull) {
  ChangeLanguage(language);
  return GetMessageText(key, p0);
}

TEST(MessageListingTest, EveryLanguageBelowItsKeyAndTheActiveOneKept) {
  ChangeLanguage(4);
  std::ostringstream out;
  auto unknown = PrintMessages(out, {"uMain_Finished_4", "uUpdate_UpdateInit_2"}, {"/srv/p"});
  EXPECT_TRUE(unknown.empty());
  EXPECT_EQ(Sild().ActiveLanguage(), 4);

  std::string expected = "uMain_Finished_4\n";
  const char* names[] = {"Programmer_Language", "Russian_Language", "English_Language",
                         "German_Language", "French_Language"};
  for (int l = 1; l <= 5; ++l) {
    expected += "  " + std::to_string(l) + " " + names[l - 1] + ": " +
                TextIn(l, msg::uMain_Finished_4) + "\n";
  }
  EXPECT_EQ(out.str().substr(0, expected.size()), expected);
  EXPECT_NE(out.str().find(TextIn(3, msg::uUpdate_UpdateInit_2, "/srv/p")), std::string::npos);
  ChangeLanguage(3);
}

TEST(MessageListingTest, MultiLineTextsContinueIndented) {
  std::ostringstream out;
  PrintMessages(out, {"uMain_Finished_3"}, {});
  std::string english = TextIn(3, msg::uMain_Finished_3);
  std::string::size_type cr = english.find('\r');
  ASSERT_NE(cr, std::string::npos) << "the verdict has two lines";
  std::string head = "  3 English_Language: ";
  std::string second = english.substr(english.find('\n', cr) + 1);
  EXPECT_NE(out.str().find(head + english.substr(0, cr) + "\n" + std::string(head.size(), ' ') +
                           second + "\n"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(out.str().find('\r'), std::string::npos);
}

TEST(MessageListingTest, UnknownKeysAreReported) {
  std::ostringstream out;
  auto unknown = PrintMessages(out, {"uMain_OkBtn_1", "nothing_here", "NOTHING_ELSE"}, {});
  EXPECT_EQ(unknown, (std::vector<std::string>{"nothing_here", "NOTHING_ELSE"}));
  EXPECT_NE(out.str().find("nothing_here\n  1 Programmer_Language: \n"), std::string::npos);
}

TEST(MessageListingTest, DefaultKeysAreAllInTheCatalogue) {
  std::ostringstream out;
  EXPECT_TRUE(PrintMessages(out, DefaultMessageKeys(), {}).empty());
}

}  // namespace
}  // namespace updater
