// Turns the translators' UTF-8 source of one translation store into the store's serialized
// 8-bit form, and optionally into a header naming the keys of its messages (stStrings), so that
// a key the catalogue lacks does not compile.
// Usage: updater_translation_compiler SOURCE OUTPUT [KEYS_HEADER]
// The source format is described in resources/README.md. Any fault stops the build with the
// file name, the line and what is wrong.
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "messages/format/translation_format.h"

namespace {

using updater::CodePage;
using updater::kLanguageCount;

// Language tags in column order: 1 programmer, 2 Russian, 3 English, 4 German, 5 French.
constexpr std::array<const char*, kLanguageCount> kTags = {"prog", "ru", "en", "de", "fr"};
constexpr int kFullDelimiters = kLanguageCount + 1;

struct Failure {
  std::size_t line;
  std::string what;
};

struct Row {
  std::size_t line = 0;
  std::string key;
  std::array<std::optional<std::string>, kLanguageCount> texts;  // already encoded
  int delimiters = kFullDelimiters;
};

struct SectionData {
  std::string name;
  std::vector<Row> rows;
};

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  std::size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string CodePointName(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// Resolves the escapes and encodes the text for `language` (1..5); CR and LF become 25 and 26.
std::string EncodeText(const std::string& text, int language, std::size_t line) {
  const CodePage page = updater::LanguageCodePage(language);
  if (!text.empty() && (text.front() == ' ' || text.back() == ' ' || text.back() == '\t')) {
    throw Failure{line, "a blank at the start or end of a text must be written as \\s"};
  }
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '\\') {
      if (pos + 1 >= text.size()) throw Failure{line, "a lone \\ at the end of the text"};
      const char e = text[pos + 1];
      pos += 2;
      switch (e) {
        case 'n':
          out += "\x19\x1a";
          break;
        case 's':
          out += ' ';
          break;
        case 't':
          out += '\t';
          break;
        case '\\':
          out += '\\';
          break;
        default:
          throw Failure{line, std::string("unknown escape \\") + e};
      }
      continue;
    }
    const std::size_t at = pos;
    auto cp = updater::NextUtf8(text, pos);
    if (!cp) throw Failure{line, "the text is not valid UTF-8 at byte " + std::to_string(at)};
    if (*cp < 32 && *cp != '\t') {
      throw Failure{line, "control character " + CodePointName(*cp) + " in a text"};
    }
    auto byte = updater::EncodeCodePoint(page, *cp);
    if (!byte) {
      throw Failure{
          line, "the character " + CodePointName(*cp) + " cannot be written in the " +
                    std::string(page == CodePage::Windows1251 ? "Windows-1251" : "Windows-1252") +
                    " code page of language " + kTags[language - 1]};
    }
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

std::vector<SectionData> Parse(std::istream& in) {
  std::vector<SectionData> sections;
  std::set<std::string> keys_in_section;
  Row* row = nullptr;
  std::string raw;
  std::size_t line = 0;
  while (std::getline(in, raw)) {
    ++line;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    // Editors on Windows like to start UTF-8 files with a byte-order mark.
    if (line == 1 && raw.starts_with("\xEF\xBB\xBF")) raw.erase(0, 3);
    const std::string trimmed = Trim(raw);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']') {
      const std::string name = trimmed.substr(1, trimmed.size() - 2);
      if (!updater::SectionFromName(name)) throw Failure{line, "unknown section " + name};
      for (const auto& s : sections) {
        if (s.name == name) throw Failure{line, "section " + name + " appears twice"};
      }
      sections.push_back({name, {}});
      keys_in_section.clear();
      row = nullptr;
      continue;
    }
    if (trimmed[0] == '@') {
      if (sections.empty()) throw Failure{line, "a row before the first [section]"};
      std::string key = trimmed.substr(1);
      if (key.empty()) throw Failure{line, "a row without a key"};
      for (char c : key) {
        if (c < 32 || c > 126) throw Failure{line, "the key must be plain ASCII"};
      }
      std::string folded = key;
      for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (!keys_in_section.insert(folded).second) {
        throw Failure{line, "the key " + key + " appears twice in this section"};
      }
      sections.back().rows.push_back({line, key, {}, kFullDelimiters});
      row = &sections.back().rows.back();
      continue;
    }
    const std::size_t colon = raw.find(':');
    if (colon == std::string::npos) throw Failure{line, "expected [section], @key or tags: text"};
    if (!row) throw Failure{line, "a text before the first @key"};
    const std::string tags = Trim(raw.substr(0, colon));
    std::string text = raw.substr(colon + 1);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);  // the one separating blank
    if (tags == "delimiters") {
      const std::string n = Trim(text);
      if (n.size() != 1 || n[0] < '0' || n[0] - '0' > kFullDelimiters)
        throw Failure{line, "delimiters: 0..6"};
      row->delimiters = n[0] - '0';
      continue;
    }
    std::stringstream list(tags);
    std::string tag;
    bool any = false;
    while (std::getline(list, tag, ',')) {
      tag = Trim(tag);
      int language = 0;
      for (int i = 0; i < kLanguageCount; ++i) {
        if (tag == kTags[i]) language = i + 1;
      }
      if (language == 0) throw Failure{line, "unknown language tag '" + tag + "'"};
      if (row->texts[language - 1]) throw Failure{line, "language " + tag + " given twice"};
      row->texts[language - 1] = EncodeText(text, language, line);
      any = true;
    }
    if (!any) throw Failure{line, "no language tag before ':'"};
  }
  for (const auto& s : sections) {
    for (const auto& r : s.rows) {
      // Field n needs n delimiters: texts past the row's last delimiter would be lost.
      for (std::size_t index = static_cast<std::size_t>(r.delimiters); index < kLanguageCount;
           ++index) {
        if (r.texts[index] && !r.texts[index]->empty()) {
          throw Failure{r.line, "the row has too few delimiters for its texts"};
        }
      }
    }
  }
  return sections;
}

std::string Serialize(const std::vector<SectionData>& sections) {
  std::string out;
  for (const auto& s : sections) {
    out += s.name + "\r\n";
    for (const auto& r : s.rows) {
      out += r.key;
      for (int k = 1; k <= r.delimiters; ++k) {
        out += updater::kFieldDelimiter;
        if (k <= kLanguageCount && r.texts[k - 1]) out += *r.texts[k - 1];
      }
      out += "\r\n";
    }
  }
  return out;
}

std::string KeysHeader(const std::vector<SectionData>& sections) {
  std::string out =
      "// Made by the build from the message catalogue.\n#pragma once\n\n"
      "#include \"messages/message_key.h\"\n\nnamespace updater::msg {\n";
  for (const auto& s : sections) {
    if (s.name != "stStrings") continue;
    for (const auto& r : s.rows) {
      for (char c : r.key) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
          throw Failure{r.line, "a message key must be a C++ name"};
      }
      out += "inline constexpr MessageKey " + r.key + "{\"" + r.key + "\"};\n";
    }
  }
  return out + "}  // namespace updater::msg\n";
}

bool WriteFile(const std::string& path, const std::string& data) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out.flush()) {
      std::cerr << tmp << ": cannot be written\n";
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::cerr << path << ": cannot be written\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: " << argv[0] << " SOURCE OUTPUT [KEYS_HEADER]\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << argv[1] << ": cannot be opened\n";
    return 1;
  }
  std::string data;
  std::string keys;
  try {
    const std::vector<SectionData> sections = Parse(in);
    data = Serialize(sections);
    if (argc == 4) keys = KeysHeader(sections);
  } catch (const Failure& f) {
    std::cerr << argv[1] << ":" << f.line << ": error: " << f.what << "\n";
    return 1;
  }
  return WriteFile(argv[2], data) && (argc == 3 || WriteFile(argv[3], keys)) ? 0 : 1;
}
