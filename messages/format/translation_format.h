#pragma once

#include <optional>
#include <string_view>

#include "messages/format/code_pages.h"

// The serialized translation data as both its writer (the build's translation compiler) and
// its reader (the translation store) know it.
namespace updater {

// The twelve sections of a translation store, numbered as in the serialized data.
enum class Section : int {
  stCaptions = 0,
  stHints = 1,
  stDisplayLabels = 2,
  stFonts = 3,
  stMultiLines = 4,
  stDlgsCaptions = 5,
  stStrings = 6,
  stOtherStrings = 7,
  stLocales = 8,
  stCollections = 9,
  stCharSets = 10,
  stListView_TreeView_Items = 11,
};

inline constexpr int kSectionCount = 12;
inline constexpr int kLanguageCount = 5;
inline constexpr int kDefaultLanguage = 1;
inline constexpr char kFieldDelimiter = '\x01';

// "stCaptions" .. "stListView_TreeView_Items".
std::string_view SectionName(Section section);
std::optional<Section> SectionFromName(std::string_view name);

// "Programmer_Language", "Russian_Language", "English_Language", "German_Language",
// "French_Language" for 1..5.
std::string_view LanguageName(int language);
// Windows-1251 for languages 1 and 2, Windows-1252 for 3 to 5.
CodePage LanguageCodePage(int language);

// Throws the property-value error unless 1 <= language <= 5.
void CheckLanguageNumber(int language);

}  // namespace updater
