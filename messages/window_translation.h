#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "messages/translation_store.h"

namespace updater {

// One property that translating a window sets.
struct PropertyTranslation {
  Section section;
  std::string control;   // the control's name, or the window's class name for the window
  std::string property;  // "Caption", "Hint", "Font.Name", "Font.Charset", or from the key
  std::string text;
};

// What a store applies to its window in the active language: the rows of stCaptions, stHints,
// stFonts, stCharSets, stMultiLines and stOtherStrings, in that order. A text that is empty in
// the active language is left out (no fallback), so the property keeps its value. Keys of
// stMultiLines and stOtherStrings name control and property ("mLog.Lines", "ePassword.Text").
// `excluded` lists "control.Property" pairs that are never translated (e.g. "pBtn.Caption").
std::vector<PropertyTranslation> WindowTranslations(const TranslationStore& store,
                                                    const std::vector<std::string>& excluded);

}  // namespace updater
