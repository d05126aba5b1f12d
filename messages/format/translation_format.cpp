#include "messages/format/translation_format.h"

#include <array>
#include <string>

#include "sys/error.h"

namespace updater {

namespace {

constexpr std::array<std::string_view, kSectionCount> kSectionNames = {
    "stCaptions",   "stHints",        "stDisplayLabels", "stFonts",
    "stMultiLines", "stDlgsCaptions", "stStrings",       "stOtherStrings",
    "stLocales",    "stCollections",  "stCharSets",      "stListView_TreeView_Items",
};

constexpr std::array<std::string_view, kLanguageCount> kLanguageNames = {
    "Programmer_Language", "Russian_Language", "English_Language",
    "German_Language",     "French_Language",
};

}  // namespace

std::string_view SectionName(Section section) {
  return kSectionNames.at(static_cast<std::size_t>(section));
}

std::optional<Section> SectionFromName(std::string_view name) {
  for (std::size_t i = 0; i < kSectionNames.size(); ++i) {
    if (kSectionNames[i] == name) return static_cast<Section>(i);
  }
  return std::nullopt;
}

std::string_view LanguageName(int language) {
  CheckLanguageNumber(language);
  return kLanguageNames[language - 1];
}

CodePage LanguageCodePage(int language) {
  CheckLanguageNumber(language);
  return language <= 2 ? CodePage::Windows1251 : CodePage::Windows1252;
}

void CheckLanguageNumber(int language) {
  if (language < 1 || language > kLanguageCount) {
    throw Error(std::to_string(language) +
                " - is not a valid property value!\rValue must be within [1.." +
                std::to_string(kLanguageCount) + "]!");
  }
}

}  // namespace updater
