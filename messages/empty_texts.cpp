#include "messages/empty_texts.h"

namespace updater {

std::string ListEmptyTexts(const TranslationStore& store, Section section) {
  std::string list;
  for (const TranslationRow& row : store.Rows(section)) {
    if (!row.Text(store.ActiveLanguage()).empty()) continue;
    if (!list.empty()) list += '\r';
    list += "  " + row.key + ":" + row.Text(kDefaultLanguage);
  }
  if (list.empty()) return list;
  return " (" + std::string(SectionName(section).substr(2)) + "):\r" + list;
}

void CheckEmptyTexts(Operator& op, const TranslationStore& store) {
  const std::string captions = ListEmptyTexts(store, Section::stCaptions);
  const std::string strings = ListEmptyTexts(store, Section::stStrings);
  std::string list = captions;
  if (!captions.empty()) list += '\r';
  list += strings;
  if (list.empty()) return;
  op.MessageDlg(DialogKind::Warning,
                "Check for emptyes in:\r\r" + store.OwnerName() + ":" + store.Name() + list,
                {DialogButton::OK}, DialogButton::OK);
}

}  // namespace updater
