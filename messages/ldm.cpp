#include "messages/ldm.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <string>

#include "messages/empty_texts.h"
#include "messages/system_language.h"
#include "resources/embedded_resource.h"
#include "seams/quiet_operator.h"
#include "sys/error.h"
#include "sys/text.h"

namespace updater {
namespace {

struct Ldm {
  TranslationStore sil{std::string(kLdmOwnerName), std::string(kCatalogueStoreName)};
  LanguageDispatcher sild;

  Ldm() {
    LoadEmbeddedTranslation(sil);
    for (Section s : {Section::stDlgsCaptions, Section::stStrings}) {
      if (!sil.HasSection(s) || sil.Rows(s).empty()) {
        throw Error("Translation data LDM:Sil: the section " + std::string(SectionName(s)) +
                    " is missing or empty");
      }
    }
    QuietOperator quiet;
    sild.Register(quiet, sil);
  }
};

Ldm& TheLdm() {
  // Built on first use so that a lookup works without any set-up; a failed load is retried.
  static Ldm ldm;
  return ldm;
}

}  // namespace

TranslationStore& Sil() {
  return TheLdm().sil;
}
LanguageDispatcher& Sild() {
  return TheLdm().sild;
}

void LoadEmbeddedTranslation(TranslationStore& store) {
  const std::string name = store.OwnerName() + "_" + store.Name();
  auto data = FindEmbeddedResource(kTranslationResourceType, name);
  if (!data) {
    throw Error("The translation data " + std::string(kTranslationResourceType) + " " + name +
                " is not carried in the program");
  }
  store.Load(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

std::string GetDialogCaption(std::string_view key) {
  const TranslationStore& sil = Sil();
  for (const TranslationRow& row : sil.Rows(Section::stDlgsCaptions)) {
    if (SameTextIgnoringCase(row.key, key)) {
      return sil.TextOf(row);
    }
  }
  return {};
}

void ChangeLanguage(Operator& op, int language) {
  Ldm& ldm = TheLdm();
  CheckEmptyTexts(op, ldm.sil);
  ldm.sild.SetActiveLanguage(language);
}

void ChangeLanguage(int language) {
  QuietOperator quiet;
  ChangeLanguage(quiet, language);
}

void DataModuleCreate(Operator& op) {
  try {
    ChangeLanguage(op, GetLanguageIndex() + 1);
  } catch (const std::exception& e) {
    op.MessageDlg(DialogKind::Error, e.what(), {DialogButton::OK}, DialogButton::OK);
    throw;
  }
}

int LanguageIndexFromLangId(std::uint16_t lang_id) {
  switch (lang_id & 0xFF) {
    case 25:
      return 1;  // Russian
    case 7:
      return 3;  // German
    case 12:
      return 4;  // French
    default:
      return 2;  // English and every other language
  }
}

int GetLanguageIndex() {
  return LanguageIndexFromLangId(GetSystemLangID());
}

}  // namespace updater
