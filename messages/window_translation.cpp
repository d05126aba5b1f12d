#include "messages/window_translation.h"

#include <algorithm>

namespace updater {

std::vector<PropertyTranslation> WindowTranslations(const TranslationStore& store,
                                                    const std::vector<std::string>& excluded) {
  struct Kind {
    Section section;
    const char* property;  // null: taken from the key
  };
  static constexpr Kind kKinds[] = {
      {Section::stCaptions, "Caption"}, {Section::stHints, "Hint"},
      {Section::stFonts, "Font.Name"},  {Section::stCharSets, "Font.Charset"},
      {Section::stMultiLines, nullptr}, {Section::stOtherStrings, nullptr},
  };
  std::vector<PropertyTranslation> result;
  for (const Kind& kind : kKinds) {
    for (const TranslationRow& row : store.Rows(kind.section)) {
      const std::string& text = row.Text(store.ActiveLanguage());
      if (text.empty()) continue;
      PropertyTranslation t{kind.section, row.key, kind.property ? kind.property : "", text};
      if (!kind.property) {
        const std::size_t dot = row.key.find('.');
        if (dot == std::string::npos) continue;  // names no property
        t.control = row.key.substr(0, dot);
        t.property = row.key.substr(dot + 1);
      }
      const std::string id = t.control + "." + t.property;
      if (std::find(excluded.begin(), excluded.end(), id) != excluded.end()) continue;
      result.push_back(std::move(t));
    }
  }
  return result;
}

}  // namespace updater
