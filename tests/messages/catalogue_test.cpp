// Checks over the catalogue the program really carries.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "messages/ldm.h"
#include "messages/message_text.h"

namespace updater {
namespace {

constexpr MessageKey kRussianOnlyKey = msg::uUpdate_CopyFileWithBackUp_5;

class CatalogueTest : public ::testing::Test {
 protected:
  void TearDown() override { ChangeLanguage(3); }
};

std::set<std::string> PlaceholdersOf(const std::string& text) {
  std::set<std::string> found;
  static const std::regex placeholder(R"(\{[0-9]\})");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
       it != std::sregex_iterator(); ++it) {
    found.insert(it->str());
  }
  return found;
}

TEST_F(CatalogueTest, HasTheDialogCaptionsAndMessages) {
  const TranslationStore& sil = Sil();
  EXPECT_EQ(sil.OwnerName(), "LDM");
  EXPECT_EQ(sil.Name(), "Sil");
  EXPECT_EQ(sil.Rows(Section::stDlgsCaptions).size(), 15u);
  EXPECT_EQ(sil.Rows(Section::stStrings).size(), 259u);
  // Every section but the last is present, the unused ones as bare headers.
  for (int s = 0; s < kSectionCount; ++s) {
    const auto section = static_cast<Section>(s);
    EXPECT_EQ(sil.HasSection(section), section != Section::stListView_TreeView_Items)
        << SectionName(section);
    if (section != Section::stDlgsCaptions && section != Section::stStrings) {
      EXPECT_TRUE(sil.Rows(section).empty()) << SectionName(section);
    }
  }
}

TEST_F(CatalogueTest, MessagesKeepTheirStoredOrder) {
  const auto& rows = Sil().Rows(Section::stStrings);
  ASSERT_EQ(rows.size(), 259u);
  EXPECT_EQ(rows[0].key, "uIS_DunVeld_1");
  EXPECT_EQ(rows[1].key, "uIS_DunVeld_10");
  EXPECT_EQ(rows[24].key, "uUpdate_CopyFileWithBackUp_5");
  EXPECT_EQ(rows[101].key, "uUpdate_UpdateShutdown_6");
  EXPECT_EQ(rows[102].key, "uUpdate_UpdateProgramm_62");
  EXPECT_EQ(rows[109].key, "uUpdate_UpdateProgramm_69");
}

TEST_F(CatalogueTest, DialogCaptionsAreFilledInLanguageOneOnly) {
  for (const TranslationRow& row : Sil().Rows(Section::stDlgsCaptions)) {
    EXPECT_FALSE(row.Text(1).empty()) << row.key;
    for (int lang = 2; lang <= kLanguageCount; ++lang) EXPECT_EQ(row.Text(lang), "") << row.key;
  }
  const auto& rows = Sil().Rows(Section::stDlgsCaptions);
  EXPECT_EQ(rows.front().key, "Warning");
  EXPECT_EQ(rows[4].key, "Yes");
  EXPECT_EQ(rows[4].Text(1), "&Yes");
  EXPECT_EQ(rows[12].key, "No To All");
  EXPECT_EQ(rows[12].Text(1), "N&o to All");
  EXPECT_EQ(rows.back().key, "Help");
}

TEST_F(CatalogueTest, DialogCaptionsReadTheSameInEveryLanguage) {
  for (int lang = 1; lang <= kLanguageCount; ++lang) {
    ChangeLanguage(lang);
    EXPECT_EQ(GetDialogCaption("Yes To All"), "Yes to &All");
    EXPECT_EQ(GetDialogCaption("no to all"), "N&o to All");
    EXPECT_EQ(GetDialogCaption("Confirm"), "Confirm");
  }
  EXPECT_EQ(GetDialogCaption("Maybe"), "");
  EXPECT_EQ(GetDialogCaption("uMain_OkBtn_1"), "");
}

TEST_F(CatalogueTest, EveryMessageIsTranslatedWithItsPlaceholders) {
  for (const TranslationRow& row : Sil().Rows(Section::stStrings)) {
    EXPECT_EQ(row.Text(1), row.Text(2)) << row.key;
    EXPECT_FALSE(row.Text(1).empty()) << row.key;
    if (row.key == kRussianOnlyKey.name()) {
      for (int lang = 3; lang <= kLanguageCount; ++lang) EXPECT_EQ(row.Text(lang), "");
      continue;
    }
    const auto english = PlaceholdersOf(row.Text(3));
    const auto breaks = std::count(row.Text(3).begin(), row.Text(3).end(), '\n');
    for (int lang : {1, 4, 5}) {
      EXPECT_FALSE(row.Text(lang).empty()) << row.key << " language " << lang;
      EXPECT_EQ(PlaceholdersOf(row.Text(lang)), english) << row.key << " language " << lang;
      EXPECT_EQ(std::count(row.Text(lang).begin(), row.Text(lang).end(), '\n'), breaks)
          << row.key << " language " << lang;
    }
    EXPECT_NE(row.Text(4), row.Text(3)) << row.key << " German is a copy of English";
    EXPECT_NE(row.Text(1), row.Text(3)) << row.key << " Russian is a copy of English";
  }
}

TEST_F(CatalogueTest, EnglishLookupsIgnoreTheCaseOfTheKey) {
  ChangeLanguage(3);
  EXPECT_EQ(GetMessageText(msg::uMain_OkBtn_1), "The project for the updating was not choosen.");
  EXPECT_EQ(GetMessageText(MessageKey("UMAIN_OKBTN_1")),
            "The project for the updating was not choosen.");
  EXPECT_EQ(GetMessageText(MessageKey("umain_okbtn_1")),
            "The project for the updating was not choosen.");
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateInit_2, "C:\\OVN\\DunVeld"),
            "The path to the updatable program \"C:\\OVN\\DunVeld\" was not found!");
  EXPECT_EQ(GetMessageText(MessageKey("no_such_key")), "");
  EXPECT_EQ(GetMessageText(MessageKey("no_such_key"), "a", "b"), "");
}

TEST_F(CatalogueTest, KeepsLineBreaksEllipsisAndBlanks) {
  ChangeLanguage(3);
  EXPECT_EQ(GetMessageText(msg::uMain_Finished_3),
            "The updating passed with errors!\r\nThe rollback of changes has been terminated.");
  EXPECT_EQ(GetMessageText(msg::uMain_OkBtn_2), "The updating is in progress\u2026");
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateProgramm_65),
            "Checking the version of the database ");
  EXPECT_NE(GetMessageText(msg::uUpdate_UpdateOnLine_02).find("part of  the updatable"),
            std::string::npos);
  const std::string text = GetMessageText(msg::uUpdate_UpdateProgramm_11, "ADMN");
  EXPECT_EQ(text.substr(0, 9), "ADMN\r\n\r\nI");
  EXPECT_EQ(GetMessageText(msg::uUpdate_UpdateProgramm_20)
                .substr(GetMessageText(msg::uUpdate_UpdateProgramm_20).size() - 17),
            "\r\n Error message:");
}

TEST_F(CatalogueTest, RussianOnlyRowFallsBackToLanguageOne) {
  const std::string russian =
      "Проверка блокировок файла базы данных и замена рабочей базы обновленной версией";
  for (int lang = 1; lang <= kLanguageCount; ++lang) {
    ChangeLanguage(lang);
    EXPECT_EQ(GetMessageText(kRussianOnlyKey), russian) << "language " << lang;
  }
}

TEST_F(CatalogueTest, EachLanguageHasItsOwnText) {
  std::set<std::string> texts;
  for (int lang = 2; lang <= kLanguageCount; ++lang) {
    ChangeLanguage(lang);
    texts.insert(GetMessageText(msg::uMain_Finished_4));
  }
  EXPECT_EQ(texts.size(), 4u);
  ChangeLanguage(4);
  EXPECT_EQ(GetMessageText(msg::uMain_FormCreate_1),
            "Updater der Software der KORVANE-Unternehmensgruppe: w\u00e4hlen Sie bitte ein "
            "Projekt aus");
  ChangeLanguage(5);
  EXPECT_EQ(GetMessageText(msg::uMain_FormCreate_1),
            "Updater Software  KORVANE Group of Companies: choose the project");
  ChangeLanguage(2);
  const std::string russian = GetMessageText(msg::uMain_FormCreate_1);
  EXPECT_NE(russian.find("Корвен"), std::string::npos);
  EXPECT_EQ(russian.substr(russian.size() - std::string(": выберите проект").size()),
            ": выберите проект");
}

}  // namespace
}  // namespace updater
