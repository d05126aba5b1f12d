#include "app/message_listing.h"

#include <array>

#include "messages/ldm.h"
#include "messages/message_text.h"
#include "messages/translation_store.h"
#include "sys/text.h"

namespace updater {

std::vector<std::string> DefaultMessageKeys() {
  std::vector<std::string> names;
  for (MessageKey key : {msg::uMain_OkBtn_1, msg::uMain_Finished_1, msg::uMain_Finished_3,
                         msg::uMain_Finished_4, msg::uMain_FormCreate_2, msg::uUpdate_UpdateInit_2})
    names.push_back(key.name());
  return names;
}

namespace {

// Further lines start below the first line's text; empty lines stay empty.
std::string Indented(const std::string& text, const std::string& indent) {
  std::string result;
  bool line_start = false;
  for (char c : LineFeeds(text)) {
    if (line_start && c != '\n') result += indent;
    result += c;
    line_start = c == '\n';
  }
  return result;
}

}  // namespace

std::vector<std::string> PrintMessages(std::ostream& out, const std::vector<std::string>& keys,
                                       const std::vector<std::string>& params) {
  const int active = Sild().ActiveLanguage();
  std::array<std::string, 10> p;
  p.fill(kNull);
  for (std::size_t i = 0; i < params.size() && i < p.size(); ++i) p[i] = params[i];

  std::vector<std::array<std::string, kLanguageCount>> texts(keys.size());
  for (int language = 1; language <= kLanguageCount; ++language) {
    ChangeLanguage(language);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      texts[k][language - 1] =
          // Keys named at run time: one the catalogue lacks has no text, and is reported.
          GetMessageText(MessageKey(keys[k].c_str()), p[0], p[1], p[2], p[3], p[4], p[5], p[6],
                         p[7], p[8], p[9]);
    }
  }
  ChangeLanguage(active);

  std::vector<std::string> unknown;
  for (std::size_t k = 0; k < keys.size(); ++k) {
    out << keys[k] << '\n';
    bool known = false;
    for (int language = 1; language <= kLanguageCount; ++language) {
      const std::string& text = texts[k][language - 1];
      known = known || !text.empty();
      std::string head =
          "  " + std::to_string(language) + " " + std::string(LanguageName(language)) + ": ";
      out << head << Indented(text, std::string(head.size(), ' ')) << '\n';
    }
    if (!known) unknown.push_back(keys[k]);
  }
  return unknown;
}

}  // namespace updater
