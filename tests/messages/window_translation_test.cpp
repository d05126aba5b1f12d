#include "messages/window_translation.h"

#include <gtest/gtest.h>

#include "messages/ldm.h"

namespace updater {
namespace {

std::vector<std::string> Describe(const std::vector<PropertyTranslation>& list) {
  std::vector<std::string> out;
  for (const auto& t : list) out.push_back(t.control + "." + t.property + "=" + t.text);
  return out;
}

TEST(WindowTranslationTest, AppliesNonEmptyTextsInSectionOrder) {
  TranslationStore store("frmX", "Sx");
  store.Load(
      "stCaptions\r\n"
      "TfrmX\x01\xCE\xEA\xED\xEE\x01\xCE\xEA\xED\xEE\x01Window\x01\x01\x01\r\n"  // Окно
      "pBtn\x01p\x01p\x01p\x01p\x01p\x01\r\n"
      "stHints\r\n"
      "eName\x01\x01\r\n"
      "stFonts\r\n"
      "eName\x01"
      "Arial\x01"
      "Arial\x01"
      "Arial\x01"
      "Arial\x01"
      "Arial\x01\r\n"
      "stMultiLines\r\n"
      "mLog.Lines\x01\x01\x01\x01\x01\x01\r\n"
      "mNote.Lines\x01x\x01x\x01one\x19\x1atwo\x01x\x01x\x01\r\n"
      "stOtherStrings\r\n"
      "eName.Text\x01\x01\x01\x01\x01\x01\r\n"
      "noDot\x01y\x01y\x01y\x01y\x01y\x01\r\n"
      "stCharSets\r\n"
      "eName\x01RUSSIAN_CHARSET\x01RUSSIAN_CHARSET\x01"
      "ANSI_CHARSET\x01"
      "ANSI_CHARSET\x01"
      "ANSI_CHARSET\x01\r\n");
  store.SetActiveLanguage(3);
  EXPECT_EQ(
      Describe(WindowTranslations(store, {"pBtn.Caption"})),
      (std::vector<std::string>{"TfrmX.Caption=Window", "eName.Font.Name=Arial",
                                "eName.Font.Charset=ANSI_CHARSET", "mNote.Lines=one\r\ntwo"}));
  // Empty in German: the caption is left alone rather than set to the Russian text.
  store.SetActiveLanguage(4);
  const auto german = Describe(WindowTranslations(store, {}));
  EXPECT_EQ(german.front(), "pBtn.Caption=p");
  for (const auto& line : german) EXPECT_FALSE(line.starts_with("TfrmX.")) << line;
  store.SetActiveLanguage(2);
  EXPECT_EQ(Describe(WindowTranslations(store, {})).front(), "TfrmX.Caption=Окно");
}

TEST(WindowTranslationTest, MainWindowNeverTouchesFieldsOrLogs) {
  TranslationStore sill("frmMain", "Sill");
  LoadEmbeddedTranslation(sill);
  for (int lang = 1; lang <= kLanguageCount; ++lang) {
    sill.SetActiveLanguage(lang);
    const auto list = WindowTranslations(sill, {"pBtn.Caption"});
    EXPECT_EQ(list.size(), 16u + 12u + 12u) << "language " << lang;
    for (const auto& t : list) {
      EXPECT_NE(t.section, Section::stOtherStrings);
      EXPECT_NE(t.section, Section::stMultiLines);
      EXPECT_NE(t.section, Section::stHints);
    }
  }
  sill.SetActiveLanguage(5);
  const auto french = Describe(WindowTranslations(sill, {}));
  EXPECT_NE(std::find(french.begin(), french.end(), "CancelBtn.Caption=Sortie"), french.end());
  EXPECT_NE(std::find(french.begin(), french.end(), "mLog.Font.Charset=ANSI_CHARSET"),
            french.end());
}

}  // namespace
}  // namespace updater
