#include "messages/translation_store.h"

#include <gtest/gtest.h>

#include <string>

#include "sys/error.h"

namespace updater {
namespace {

using namespace std::string_literals;

// Builds one full row: key, five texts, the closing delimiter.
std::string Row(const std::string& key, const std::string& t1, const std::string& t2 = "",
                const std::string& t3 = "", const std::string& t4 = "",
                const std::string& t5 = "") {
  return key + "\x01" + t1 + "\x01" + t2 + "\x01" + t3 + "\x01" + t4 + "\x01" + t5 + "\x01\r\n";
}

std::string LoadError(const std::string& data) {
  TranslationStore store("LDM", "Sil");
  try {
    store.Load(data);
  } catch (const Error& e) {
    return e.what();
  }
  return "(loaded)";
}

TEST(TranslationStoreTest, ReadsSectionsRowsAndBareHeaders) {
  TranslationStore store("LDM", "Sil");
  store.Load("stCaptions\r\nstDlgsCaptions\r\n" + Row("Yes", "&Yes") + Row("No", "&No") +
             "stStrings\r\n" + Row("k1", "a", "b", "c", "d", "e") + "stCharSets\r\n");
  EXPECT_TRUE(store.HasSection(Section::stCaptions));
  EXPECT_TRUE(store.Rows(Section::stCaptions).empty());
  EXPECT_FALSE(store.HasSection(Section::stHints));
  ASSERT_EQ(store.Rows(Section::stDlgsCaptions).size(), 2u);
  EXPECT_EQ(store.Rows(Section::stDlgsCaptions)[0].key, "Yes");
  EXPECT_EQ(store.Rows(Section::stDlgsCaptions)[0].Text(1), "&Yes");
  EXPECT_EQ(store.Rows(Section::stDlgsCaptions)[1].Text(2), "");
  const TranslationRow& row = store.Rows(Section::stStrings).at(0);
  EXPECT_EQ(row.texts, (std::array<std::string, 5>{"a", "b", "c", "d", "e"}));
  EXPECT_TRUE(store.HasSection(Section::stCharSets));
}

TEST(TranslationStoreTest, ShortRowsReadMissingFieldsAsEmpty) {
  TranslationStore store("frmMain", "Sill");
  store.Load("stHints\r\nTfrmMain\x01\x01\r\nlabel\r\nhalf\x01one\x01two\r\n"s);
  const auto& rows = store.Rows(Section::stHints);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].key, "TfrmMain");
  EXPECT_EQ(rows[0].texts, (std::array<std::string, 5>{}));
  EXPECT_EQ(rows[1].key, "label");
  EXPECT_EQ(rows[2].Text(1), "one");
  EXPECT_EQ(rows[2].Text(2), "two");
  EXPECT_EQ(rows[2].Text(3), "");
}

TEST(TranslationStoreTest, RestoresLineBreaksAndDecodesBothCodePages) {
  TranslationStore store("LDM", "Sil");
  // 0xCF 0xF0 0xE8 = "При" in Windows-1251; 0xE4 0xE9 = "äé" and 0x85 the ellipsis in 1252.
  store.Load("stStrings\r\n" + Row("k", "\xCF\xF0\xE8\x19\x1a\xA8\x85", "\xB8",
                                   "a\x19\x1a\x19\x1a"
                                   "b\x85",
                                   "\xE4\x80", "\xE9\x9C"));
  const TranslationRow& row = store.Rows(Section::stStrings).at(0);
  EXPECT_EQ(row.Text(1), "При\r\nЁ…");
  EXPECT_EQ(row.Text(2), "ё");
  EXPECT_EQ(row.Text(3), "a\r\n\r\nb…");
  EXPECT_EQ(row.Text(4), "ä€");
  EXPECT_EQ(row.Text(5), "éœ");
}

TEST(TranslationStoreTest, ToleratesAMissingFinalLineEnd) {
  TranslationStore store("LDM", "Sil");
  store.Load("stStrings\r\n" + Row("a", "1") + "b\x01two\x01"s);
  ASSERT_EQ(store.Rows(Section::stStrings).size(), 2u);
  EXPECT_EQ(store.Rows(Section::stStrings)[1].Text(1), "two");
  store.Load("stStrings");
  EXPECT_TRUE(store.HasSection(Section::stStrings));
  EXPECT_TRUE(store.Rows(Section::stStrings).empty());
}

TEST(TranslationStoreTest, RejectsMalformedDataNamingLineAndSection) {
  EXPECT_EQ(LoadError("stStrings\r\nk\x01x\n"s),
            "Translation data LDM:Sil, line 2 (section stStrings): a line feed without a "
            "carriage return");
  EXPECT_EQ(LoadError("stStrings\r\nk\x01x\ry\r\n"s),
            "Translation data LDM:Sil, line 2 (section stStrings): a carriage return without a "
            "line feed");
  EXPECT_EQ(LoadError("stStrings\r\nk\r"s),
            "Translation data LDM:Sil, line 2 (section stStrings): a carriage return without a "
            "line feed");
  EXPECT_EQ(LoadError("[Header]\r\nstStrings\r\n"),
            "Translation data LDM:Sil, line 1: a line before the first section header");
  EXPECT_EQ(LoadError(Row("k", "t") + "stStrings\r\n"),
            "Translation data LDM:Sil, line 1: a line before the first section header");
  EXPECT_EQ(LoadError("stStrings\r\n\r\n"),
            "Translation data LDM:Sil, line 2 (section stStrings): an empty line");
  EXPECT_EQ(LoadError("stStrings\r\nstHints\r\nstStrings\r\n"),
            "Translation data LDM:Sil, line 3 (section stHints): the section stStrings appears a "
            "second time");
  EXPECT_EQ(LoadError("stStrings\r\n\x01text\r\n"s),
            "Translation data LDM:Sil, line 2 (section stStrings): the row has no key");
}

TEST(TranslationStoreTest, RejectsStrayBytes) {
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("k", "a\0b"s)),
            "Translation data LDM:Sil, line 2 (section stStrings): byte 0 in the text of "
            "language 1");
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("k", "", "", "", "\x02")),
            "Translation data LDM:Sil, line 2 (section stStrings): byte 2 in the text of "
            "language 4");
  // 0x98 is undefined in Windows-1251, 0x81 in Windows-1252.
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("k", "", "\x98")),
            "Translation data LDM:Sil, line 2 (section stStrings): byte 152 in the text of "
            "language 2 is not defined in its code page");
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("k", "", "", "\x81")),
            "Translation data LDM:Sil, line 2 (section stStrings): byte 129 in the text of "
            "language 3 is not defined in its code page");
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("k\xE9", "")),
            "Translation data LDM:Sil, line 2 (section stStrings): byte 233 in the key");
  EXPECT_EQ(LoadError("stStrings\r\nk\x01\x01\x01\x01\x01\x01\x01\r\n"s),
            "Translation data LDM:Sil, line 2 (section stStrings): the row has 7 delimiters, at "
            "most 6 are allowed");
  EXPECT_EQ(LoadError("stStrings\r\nk\x01\x01\x01\x01\x01\x01tail\r\n"s),
            "Translation data LDM:Sil, line 2 (section stStrings): text after the last "
            "delimiter");
  // A tab is an ordinary character of a text.
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("k", "a\tb")), "(loaded)");
}

TEST(TranslationStoreTest, AFailedLoadKeepsThePreviousContent) {
  TranslationStore store("LDM", "Sil");
  store.Load("stStrings\r\n" + Row("kept", "1"));
  EXPECT_THROW(store.Load("stStrings\r\n" + Row("k", "\x98")), Error);
  ASSERT_NE(store.FindString("kept"), nullptr);
  EXPECT_EQ(store.Rows(Section::stStrings).size(), 1u);
}

TEST(TranslationStoreTest, IndexFindsKeysWithoutRegardToCase) {
  TranslationStore store("LDM", "Sil");
  store.Load("stStrings\r\n" + Row("zeta", "z") + Row("Alpha_1", "a") + Row("mIxEd", "m") +
             Row("alpha_10", "a10") + "stHints\r\n" + Row("hintkey", "h"));
  ASSERT_NE(store.FindString("ALPHA_1"), nullptr);
  EXPECT_EQ(store.FindString("ALPHA_1")->Text(1), "a");
  EXPECT_EQ(store.FindString("alpha_10")->Text(1), "a10");
  EXPECT_EQ(store.FindString("Mixed")->Text(1), "m");
  EXPECT_EQ(store.FindString("ZETA")->Text(1), "z");
  EXPECT_EQ(store.FindString("alpha"), nullptr);
  EXPECT_EQ(store.FindString(""), nullptr);
  // Only stStrings rows are messages.
  EXPECT_EQ(store.FindString("hintkey"), nullptr);
  // Stored order is kept apart from the index.
  EXPECT_EQ(store.Rows(Section::stStrings)[0].key, "zeta");
}

TEST(TranslationStoreTest, RejectsKeysThatDifferOnlyInCase) {
  EXPECT_EQ(LoadError("stStrings\r\n" + Row("Key_1", "a") + Row("KEY_1", "b")),
            "Translation data LDM:Sil: the message key KEY_1 appears more than once");
}

TEST(TranslationStoreTest, ActiveLanguageFallsBackToLanguageOne) {
  TranslationStore store("LDM", "Sil");
  store.Load("stStrings\r\n" + Row("k", "one", "", "three"));
  const TranslationRow& row = *store.FindString("k");
  EXPECT_EQ(store.ActiveLanguage(), 1);
  EXPECT_EQ(store.TextOf(row), "one");
  store.SetActiveLanguage(3);
  EXPECT_EQ(store.TextOf(row), "three");
  store.SetActiveLanguage(2);
  EXPECT_EQ(store.TextOf(row), "one");
}

TEST(TranslationStoreTest, LanguageNumberOutsideTheRangeIsAPropertyError) {
  TranslationStore store("LDM", "Sil");
  int translated = 0;
  store.SetTranslator([&](const TranslationStore& s) {
    ++translated;
    EXPECT_EQ(s.ActiveLanguage(), 5);
  });
  store.SetActiveLanguage(5);
  EXPECT_EQ(translated, 1);
  for (int bad : {0, 6, -1}) {
    try {
      store.SetActiveLanguage(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), std::to_string(bad) +
                                           " - is not a valid property value!\rValue must be "
                                           "within [1..5]!");
    }
  }
  EXPECT_EQ(store.ActiveLanguage(), 5);
  EXPECT_EQ(translated, 1);
}

}  // namespace
}  // namespace updater
