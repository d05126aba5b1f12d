#include "messages/translation_store.h"

#include <algorithm>
#include <cstdint>

#include "sys/error.h"
#include "sys/text.h"

namespace updater {
namespace {

// Key, five texts and the closing delimiter.
constexpr std::size_t kMaxDelimiters = kLanguageCount + 1;

// Collects the position of a fault for the error text.
class LoadError {
 public:
  LoadError(const TranslationStore& store, std::size_t line, std::optional<Section> section)
      : store_(store), line_(line), section_(section) {}

  [[noreturn]] void Fail(const std::string& what) const {
    std::string text = "Translation data " + store_.OwnerName() + ":" + store_.Name() + ", line " +
                       std::to_string(line_);
    if (section_) text += " (section " + std::string(SectionName(*section_)) + ")";
    throw Error(text + ": " + what);
  }

 private:
  const TranslationStore& store_;
  std::size_t line_;
  std::optional<Section> section_;
};

std::string DecodeText(std::string_view raw, int language, const LoadError& err) {
  std::string out;
  out.reserve(raw.size() + raw.size() / 4);
  const CodePage page = LanguageCodePage(language);
  for (char ch : raw) {
    auto b = static_cast<std::uint8_t>(ch);
    if (b == 25) {
      out.push_back('\r');
    } else if (b == 26) {
      out.push_back('\n');
    } else if (b < 32 && b != '\t') {
      err.Fail("byte " + std::to_string(b) + " in the text of language " +
               std::to_string(language));
    } else {
      auto cp = DecodeByte(page, b);
      if (!cp) {
        err.Fail("byte " + std::to_string(b) + " in the text of language " +
                 std::to_string(language) + " is not defined in its code page");
      }
      AppendUtf8(out, *cp);
    }
  }
  return out;
}

TranslationRow ParseRow(std::string_view line, const LoadError& err) {
  // Field n is what follows the n-th delimiter up to the next one or the end of the row.
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t pos = line.find(kFieldDelimiter, start);
    if (pos == std::string_view::npos) {
      fields.push_back(line.substr(start));
      break;
    }
    fields.push_back(line.substr(start, pos - start));
    start = pos + 1;
  }
  if (fields.size() - 1 > kMaxDelimiters) {
    err.Fail("the row has " + std::to_string(fields.size() - 1) + " delimiters, at most " +
             std::to_string(kMaxDelimiters) + " are allowed");
  }
  if (fields.size() - 1 == kMaxDelimiters && !fields.back().empty()) {
    err.Fail("text after the last delimiter");
  }
  TranslationRow row;
  const std::string_view key = fields[0];
  if (key.empty()) err.Fail("the row has no key");
  for (char ch : key) {
    auto b = static_cast<std::uint8_t>(ch);
    if (b < 32 || b > 126) err.Fail("byte " + std::to_string(b) + " in the key");
  }
  row.key = std::string(key);
  for (int lang = 1; lang <= kLanguageCount && lang < static_cast<int>(fields.size()); ++lang) {
    row.texts[lang - 1] = DecodeText(fields[lang], lang, err);
  }
  return row;
}

}  // namespace

void TranslationStore::Load(std::string_view data) {
  std::array<std::vector<TranslationRow>, kSectionCount> rows;
  std::array<bool, kSectionCount> present{};
  std::optional<Section> current;

  std::size_t line_no = 0;
  std::size_t pos = 0;
  while (pos < data.size()) {
    ++line_no;
    const std::size_t end = data.find_first_of("\r\n", pos);
    std::string_view line;
    if (end == std::string_view::npos) {
      // A missing final CR LF loses nothing: the rest is the last line.
      line = data.substr(pos);
      pos = data.size();
    } else {
      LoadError err(*this, line_no, current);
      if (data[end] == '\n') err.Fail("a line feed without a carriage return");
      if (end + 1 >= data.size() || data[end + 1] != '\n') {
        err.Fail("a carriage return without a line feed");
      }
      line = data.substr(pos, end - pos);
      pos = end + 2;
    }
    const LoadError err(*this, line_no, current);
    if (line.empty()) err.Fail("an empty line");
    if (auto section = SectionFromName(line)) {
      if (present[Index(*section)]) {
        err.Fail("the section " + std::string(line) + " appears a second time");
      }
      present[Index(*section)] = true;
      current = section;
      continue;
    }
    if (!current) err.Fail("a line before the first section header");
    rows[Index(*current)].push_back(ParseRow(line, err));
  }

  std::vector<std::pair<std::string, std::size_t>> index;
  const auto& strings = rows[Index(Section::stStrings)];
  index.reserve(strings.size());
  for (std::size_t i = 0; i < strings.size(); ++i)
    index.emplace_back(AsciiLower(strings[i].key), i);
  std::stable_sort(index.begin(), index.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < index.size(); ++i) {
    if (index[i].first == index[i - 1].first) {
      throw Error("Translation data " + owner_name_ + ":" + name_ + ": the message key " +
                  strings[index[i].second].key + " appears more than once");
    }
  }

  rows_ = std::move(rows);
  present_ = present;
  string_index_ = std::move(index);
}

const TranslationRow* TranslationStore::FindString(std::string_view key) const {
  const std::string wanted = AsciiLower(std::string(key));
  auto it =
      std::lower_bound(string_index_.begin(), string_index_.end(), wanted,
                       [](const auto& entry, const std::string& k) { return entry.first < k; });
  if (it == string_index_.end() || it->first != wanted) return nullptr;
  return &rows_[Index(Section::stStrings)][it->second];
}

void TranslationStore::SetActiveLanguage(int language) {
  CheckLanguageNumber(language);
  active_language_ = language;
  if (translator_) translator_(*this);
}

std::string TranslationStore::TextOf(const TranslationRow& row) const {
  const std::string& text = row.Text(active_language_);
  return text.empty() ? row.Text(kDefaultLanguage) : text;
}

}  // namespace updater
