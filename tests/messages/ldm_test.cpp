#include "messages/ldm.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "messages/empty_texts.h"
#include "messages/message_text.h"
#include "messages/system_language.h"
#include "sys/error.h"
#include "tests/support/recording_operator.h"

namespace updater {
namespace {

using testing::RecordingOperator;

const std::string kRussianOnly =
    "Проверка блокировок файла базы данных и замена рабочей базы обновленной версией";

class LdmTest : public ::testing::Test {
 protected:
  void TearDown() override { ChangeLanguage(3); }
};

TEST_F(LdmTest, ChangeLanguageSwitchesTheCatalogue) {
  ChangeLanguage(1);
  EXPECT_EQ(Sild().ActiveLanguage(), 1);
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateProgramm_06), "Отмена");
  ChangeLanguage(3);
  EXPECT_EQ(Sil().ActiveLanguage(), 3);
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateProgramm_06), "Cancel");
  ChangeLanguage(4);
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateProgramm_06), "Abbrechen");
  ChangeLanguage(5);
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateProgramm_06), "Annuler");
}

TEST_F(LdmTest, LanguageOutsideTheRangeIsRefusedWithTheNumber) {
  ChangeLanguage(4);
  for (int bad : {0, 6, 42}) {
    try {
      ChangeLanguage(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), std::to_string(bad) +
                                           " - is not a valid property value!\r"
                                           "Value must be within [1..5]!");
    }
  }
  EXPECT_EQ(Sild().ActiveLanguage(), 4);
  EXPECT_EQ(Sil().ActiveLanguage(), 4);
}

TEST_F(LdmTest, ChangeLanguageFirstReportsWhatIsEmptyInTheCurrentLanguage) {
  ChangeLanguage(1);
  RecordingOperator op;
  ChangeLanguage(op, 3);  // language 1 is complete: nothing to report
  EXPECT_TRUE(op.dialogs.empty());
  ChangeLanguage(op, 4);  // English lacks the Russian-only row
  ASSERT_EQ(op.dialogs.size(), 1u);
  EXPECT_EQ(op.dialogs[0].kind, DialogKind::Warning);
  EXPECT_EQ(op.dialogs[0].text,
            "Check for emptyes in:\r\rLDM:Sil (Strings):\r"
            "  uUpdate_CopyFileWithBackUp_5:" +
                kRussianOnly);
  EXPECT_EQ(op.dialogs[0].buttons, std::vector<DialogButton>{DialogButton::OK});
  EXPECT_EQ(op.dialogs[0].focus, DialogButton::OK);
  EXPECT_EQ(Sild().ActiveLanguage(), 4);
}

TEST(EmptyTextsTest, ListsCaptionsThenStringsWithLanguageOneTexts) {
  TranslationStore store("frmMain", "Sill");
  store.Load(
      "stCaptions\r\n"
      "lOne\x01One\x01\x01\x01\x01\x01\r\n"
      "lFull\x01"
      "F\x01"
      "F\x01"
      "F\x01"
      "F\x01"
      "F\x01\r\n"
      "stHints\r\n"
      "hint\x01\x01\x01\x01\x01\x01\r\n"
      "stStrings\r\n"
      "s1\x01S1\x01\x01\x01\x01\x01\r\n"
      "s2\x01\x01\x01\x01\x01\x01\r\n");
  store.SetActiveLanguage(3);
  EXPECT_EQ(ListEmptyTexts(store, Section::stCaptions), " (Captions):\r  lOne:One");
  EXPECT_EQ(ListEmptyTexts(store, Section::stStrings), " (Strings):\r  s1:S1\r  s2:");
  EXPECT_EQ(ListEmptyTexts(store, Section::stHints), " (Hints):\r  hint:");
  EXPECT_EQ(ListEmptyTexts(store, Section::stFonts), "");

  RecordingOperator op;
  CheckEmptyTexts(op, store);
  ASSERT_EQ(op.dialogs.size(), 1u);
  EXPECT_EQ(op.dialogs[0].text,
            "Check for emptyes in:\r\rfrmMain:Sill (Captions):\r  lOne:One\r"
            " (Strings):\r  s1:S1\r  s2:");

  // No fallback: language 1 is judged on its own texts.
  store.SetActiveLanguage(1);
  EXPECT_EQ(ListEmptyTexts(store, Section::stCaptions), "");
  EXPECT_EQ(ListEmptyTexts(store, Section::stStrings), " (Strings):\r  s2:");
}

TEST(LanguageDispatcherTest, SetsEveryStoreInRegistrationOrder) {
  TranslationStore first("frmA", "StoreA");
  TranslationStore second("frmB", "StoreB");
  std::vector<std::string> calls;
  first.SetTranslator([&](const TranslationStore& s) {
    calls.push_back(s.Name() + ":" + std::to_string(s.ActiveLanguage()));
  });
  second.SetTranslator([&](const TranslationStore& s) {
    calls.push_back(s.Name() + ":" + std::to_string(s.ActiveLanguage()));
  });
  LanguageDispatcher sild;
  RecordingOperator op;
  sild.SetActiveLanguage(2);
  sild.Register(op, second);  // takes the active language at once
  sild.Register(op, first);
  sild.Register(op, second);  // a second registration does not duplicate it
  EXPECT_EQ(calls, (std::vector<std::string>{"StoreB:2", "StoreA:2", "StoreB:2"}));
  calls.clear();
  sild.SetActiveLanguage(5);
  EXPECT_EQ(calls, (std::vector<std::string>{"StoreB:5", "StoreA:5"}));
  calls.clear();
  EXPECT_THROW(sild.SetActiveLanguage(0), Error);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(sild.ActiveLanguage(), 5);
  sild.Unregister(second);
  sild.SetActiveLanguage(3);
  EXPECT_EQ(calls, (std::vector<std::string>{"StoreA:3"}));
  EXPECT_EQ(second.ActiveLanguage(), 5);
}

TEST(LanguageDispatcherTest, RegisteringChecksForEmptyTextsExceptForTheMessageModule) {
  const std::string data =
      "stStrings\r\nk\x01"
      "K\x01\x01\x01\x01\x01\r\n";
  TranslationStore window("frmMain", "Sill");
  TranslationStore own("LDM", "Other");
  window.Load(data);
  own.Load(data);
  LanguageDispatcher sild;
  sild.SetActiveLanguage(4);
  RecordingOperator op;
  sild.Register(op, own);
  EXPECT_TRUE(op.dialogs.empty());
  sild.Register(op, window);
  ASSERT_EQ(op.dialogs.size(), 1u);
  // Checked in the language it has just received.
  EXPECT_EQ(op.dialogs[0].text, "Check for emptyes in:\r\rfrmMain:Sill (Strings):\r  k:K");
}

TEST(LanguageIndexTest, MapsThePrimaryLanguage) {
  EXPECT_EQ(LanguageIndexFromLangId(0x0419), 1);  // Russian
  EXPECT_EQ(LanguageIndexFromLangId(0x0407), 3);  // German
  EXPECT_EQ(LanguageIndexFromLangId(0x0807), 3);  // Swiss German: only the low byte counts
  EXPECT_EQ(LanguageIndexFromLangId(0x040C), 4);  // French
  EXPECT_EQ(LanguageIndexFromLangId(0x0409), 2);  // English
  EXPECT_EQ(LanguageIndexFromLangId(0x0C0A), 2);  // Spanish
  EXPECT_EQ(LanguageIndexFromLangId(0x0422), 2);  // Ukrainian
}

TEST(MainWindowTranslationTest, LoadsAndIsCompleteInEveryLanguage) {
  TranslationStore sill("frmMain", "Sill");
  LoadEmbeddedTranslation(sill);
  // 15 of the original window and our own recovery item.
  EXPECT_EQ(sill.Rows(Section::stCaptions).size(), 16u);
  EXPECT_EQ(sill.Rows(Section::stFonts).size(), 12u);
  EXPECT_EQ(sill.Rows(Section::stCharSets).size(), 12u);
  EXPECT_EQ(sill.Rows(Section::stMultiLines).size(), 2u);
  EXPECT_EQ(sill.Rows(Section::stOtherStrings).size(), 3u);
  EXPECT_FALSE(sill.HasSection(Section::stDlgsCaptions));
  EXPECT_FALSE(sill.HasSection(Section::stLocales));
  EXPECT_TRUE(sill.HasSection(Section::stStrings));
  EXPECT_TRUE(sill.Rows(Section::stStrings).empty());
  for (Section s : {Section::stHints, Section::stMultiLines, Section::stOtherStrings}) {
    for (const TranslationRow& row : sill.Rows(s)) {
      EXPECT_EQ(row.texts, (std::array<std::string, 5>{})) << row.key;
    }
  }
  for (const TranslationRow& row : sill.Rows(Section::stCaptions)) {
    EXPECT_EQ(row.Text(1), row.Text(2)) << row.key;
  }
  const TranslationRow& frame = sill.Rows(Section::stCaptions).front();
  EXPECT_EQ(frame.key, "TfrmMain");
  EXPECT_EQ(frame.texts,
            (std::array<std::string, 5>{"Updater", "Updater", "Updater", "Updater", "Updater"}));
  for (const TranslationRow& row : sill.Rows(Section::stCharSets)) {
    EXPECT_EQ(row.texts,
              (std::array<std::string, 5>{"RUSSIAN_CHARSET", "RUSSIAN_CHARSET", "ANSI_CHARSET",
                                          "ANSI_CHARSET", "ANSI_CHARSET"}))
        << row.key;
  }
  const TranslationRow& group = sill.Rows(Section::stCaptions)[1];
  EXPECT_EQ(group.key, "gbConnection");
  EXPECT_EQ(group.Text(2), " Подключение  ");
  EXPECT_EQ(group.Text(3), "Connection");

  // Registering it never warns: every caption is there in every language.
  LanguageDispatcher sild;
  RecordingOperator op;
  sild.Register(op, sill);
  for (int lang = 1; lang <= kLanguageCount; ++lang) {
    sild.SetActiveLanguage(lang);
    CheckEmptyTexts(op, sill);
  }
  EXPECT_TRUE(op.dialogs.empty());
}

}  // namespace
}  // namespace updater
