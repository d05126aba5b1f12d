#include "fbserver/reg_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "messages/format/code_pages.h"
#include "sys/error.h"
#include "sys/path.h"
#include "sys/text.h"

namespace updater {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kOtherHives[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_USERS",
                                            "HKEY_CURRENT_CONFIG"};

// UTF-16LE code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t units) {
  std::string out;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = data[2 * i] | (data[2 * i + 1] << 8);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      char32_t low = data[2 * i + 2] | (data[2 * i + 3] << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

char32_t FoldChar(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;             // Cyrillic А..Я
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;             // Cyrillic Ѐ..Џ, Ё among them
  return c;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(std::string_view text, const std::string& file_name) : file_name_(file_name) {
    text_ = Decode(text);
  }

  RegFileData Run() {
    SplitLines();
    bool header_seen = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      line_no_ = lines_[i].number;
      std::string_view line = TrimBlanks(lines_[i].text);
      if (!header_seen) {
        if (line.empty()) continue;
        if (line == kHeader4) {
          unicode_ = false;
        } else if (line == kHeader5) {
          unicode_ = true;
        } else {
          Fail("the file does not begin with \"" + std::string(kHeader5) + "\" or \"" +
               std::string(kHeader4) + "\"");
        }
        header_seen = true;
        continue;
      }
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        KeyLine(line);
      } else {
        ValueLine(line);
      }
    }
    if (!header_seen) {
      line_no_ = 1;
      Fail("the file is empty");
    }
    return std::move(data_);
  }

 private:
  struct Line {
    std::size_t number;
    std::string text;
  };

  std::string Decode(std::string_view text) {
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
      text.remove_prefix(2);
      if (text.size() % 2 != 0) {
        line_no_ = 1;
        Fail("a UTF-16 file with an odd number of bytes");
      }
      return Utf16LeToUtf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size() / 2);
    }
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return std::string(text);
  }

  // Physical lines, with hex data continued over lines by a trailing "\" joined into one.
  // Each piece is appended once, so a value of any number of lines is read in linear time.
  void SplitLines() {
    std::size_t number = 0;
    std::size_t start = 0;
    bool continuing = false;
    while (start <= text_.size()) {
      std::size_t end = text_.find('\n', start);
      if (end == std::string::npos) end = text_.size();
      std::string_view raw(text_.data() + start, end - start);
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      ++number;
      const std::string_view trimmed = TrimBlanks(raw);
      bool hex_data = continuing;
      if (continuing) {
        lines_.back().text.append(trimmed);
      } else {
        lines_.push_back({number, std::string(trimmed)});
        hex_data = !trimmed.empty() && (trimmed.front() == '@' || trimmed.front() == '"') &&
                   IsHexData(trimmed);
      }
      continuing = hex_data && !trimmed.empty() && trimmed.back() == '\\';
      if (continuing) lines_.back().text.pop_back();
      if (end == text_.size()) break;
      start = end + 1;
    }
    if (continuing) {
      line_no_ = lines_.back().number;
      Fail("the data continues past the end of the file");
    }
  }

  // Whether a value line's data is hex bytes (the only data that may span lines).
  static bool IsHexData(std::string_view line) {
    std::size_t eq = std::string_view::npos;
    if (line.front() == '@') {
      eq = line.find('=');
    } else if (line.front() == '"') {
      for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\') {
          ++i;
        } else if (line[i] == '"') {
          eq = line.find('=', i + 1);
          break;
        }
      }
    }
    if (eq == std::string_view::npos) return false;
    std::string_view data = TrimBlanks(line.substr(eq + 1));
    return data.size() >= 4 && SameTextIgnoringCase(data.substr(0, 3), "hex");
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("Registry file \"" + file_name_ + "\", line " + std::to_string(line_no_) + ": " +
                what);
  }

  void KeyLine(std::string_view line) {
    if (line.back() != ']') Fail("a key line without a closing \"]\"");
    line = line.substr(1, line.size() - 2);
    bool remove = !line.empty() && line.front() == '-';
    if (remove) line.remove_prefix(1);
    std::size_t slash = line.find('\\');
    std::string_view hive = line.substr(0, slash);
    std::string_view rest = slash == std::string_view::npos ? "" : line.substr(slash + 1);
    if (SameTextIgnoringCase(hive, kLocalMachine)) {
      std::string path = NormalizeKeyPath(rest);
      if (remove) {
        RemoveTree(path);
        current_ = nullptr;
      } else {
        current_ = &data_.keys[path];
      }
      in_key_ = true;
      return;
    }
    for (std::string_view other : kOtherHives) {
      if (SameTextIgnoringCase(hive, other)) {
        current_ = nullptr;
        in_key_ = true;
        return;
      }
    }
    Fail("unknown root key \"" + std::string(hive) + "\"");
  }

  void RemoveTree(const std::string& path) {
    if (path.empty()) {
      data_.keys.clear();
      return;
    }
    data_.keys.erase(path);
    std::string prefix = path + "\\";
    auto it = data_.keys.lower_bound(prefix);
    while (it != data_.keys.end() && it->first.compare(0, prefix.size(), prefix) == 0) {
      it = data_.keys.erase(it);
    }
  }

  // Reads a quoted string at `pos` (on the opening quote); returns the text and moves
  // `pos` past the closing quote.
  std::string QuotedString(std::string_view line, std::size_t& pos) const {
    std::string out;
    for (std::size_t i = pos + 1; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        pos = i + 1;
        return out;
      }
      if (c == '\\') {
        if (i + 1 >= line.size()) break;
        char next = line[++i];
        if (next != '\\' && next != '"') {
          Fail(std::string("unknown escape \"\\") + next + "\" in a quoted text");
        }
        out += next;
      } else {
        out += c;
      }
    }
    Fail("a quoted text without its closing quotation mark");
  }

  void ValueLine(std::string_view line) {
    if (!in_key_) Fail("a value before the first key");
    std::size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      name = QuotedString(line, pos);
    } else {
      Fail("neither a key, a value nor a comment");
    }
    std::string_view rest = TrimBlanks(line.substr(pos));
    if (rest.empty() || rest.front() != '=') Fail("a value name without \"=\"");
    std::string_view data = TrimBlanks(rest.substr(1));
    std::optional<RegValue> value = ParseData(data);
    if (current_ == nullptr) return;
    std::string key = FoldCase(name);
    if (value) {
      current_->values[key] = std::move(*value);
    } else {
      current_->values.erase(key);
    }
  }

  // nullopt for "-", the removal of a value.
  std::optional<RegValue> ParseData(std::string_view data) const {
    RegValue value;
    if (data == "-") return std::nullopt;
    if (!data.empty() && data.front() == '"') {
      std::size_t pos = 0;
      value.text = QuotedString(data, pos);
      if (!TrimBlanks(data.substr(pos)).empty()) Fail("text after the closing quotation mark");
      return value;
    }
    std::size_t colon = data.find(':');
    if (colon == std::string_view::npos) Fail("value data of an unknown kind");
    std::string_view kind = data.substr(0, colon);
    std::string_view body = TrimBlanks(data.substr(colon + 1));
    if (SameTextIgnoringCase(kind, "dword")) {
      if (body.empty() || body.size() > 8) Fail("a dword value needs 1 to 8 hex digits");
      std::uint32_t n = 0;
      for (char c : body) {
        int d = HexDigit(c);
        if (d < 0) Fail("a dword value needs 1 to 8 hex digits");
        n = n * 16 + static_cast<std::uint32_t>(d);
      }
      value.type = RegValue::Type::Dword;
      value.dword = n;
      return value;
    }
    int hex_type = 3;  // plain "hex:" is REG_BINARY
    if (SameTextIgnoringCase(kind, "hex")) {
    } else if (kind.size() > 5 && SameTextIgnoringCase(kind.substr(0, 4), "hex(") &&
               kind.back() == ')') {
      std::uint32_t type = 0;
      std::string_view digits = kind.substr(4, kind.size() - 5);
      // A type is 32 bits: more than eight digits is out of range.
      if (digits.size() > 8) Fail("an unknown value type \"" + std::string(kind) + "\"");
      for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) Fail("an unknown value type \"" + std::string(kind) + "\"");
        type = type * 16 + static_cast<std::uint32_t>(d);
      }
      hex_type = type == 1 || type == 2 ? static_cast<int>(type) : 0;
    } else {
      Fail("an unknown value type \"" + std::string(kind) + "\"");
    }
    std::vector<std::uint8_t> bytes = HexBytes(body);
    if (hex_type == 1 || hex_type == 2) {
      value.type = hex_type == 2 ? RegValue::Type::ExpandString : RegValue::Type::String;
      value.text = BytesToText(bytes);
    } else {
      value.type = RegValue::Type::Binary;
      value.bytes = std::move(bytes);
    }
    return value;
  }

  std::vector<std::uint8_t> HexBytes(std::string_view body) const {
    std::vector<std::uint8_t> bytes;
    if (body.empty()) return bytes;
    std::size_t start = 0;
    while (true) {
      std::size_t comma = body.find(',', start);
      std::string_view token = TrimBlanks(
          body.substr(start, comma == std::string_view::npos ? body.npos : comma - start));
      if (token.size() != 2 || HexDigit(token[0]) < 0 || HexDigit(token[1]) < 0) {
        Fail("\"" + std::string(token) + "\" is not a hex byte");
      }
      bytes.push_back(static_cast<std::uint8_t>(HexDigit(token[0]) * 16 + HexDigit(token[1])));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    return bytes;
  }

  // Text stored as bytes: UTF-16LE in version 5 files, the bytes as they are in REGEDIT4;
  // the text ends at its terminating zero.
  std::string BytesToText(const std::vector<std::uint8_t>& bytes) const {
    if (!unicode_) {
      std::string text(bytes.begin(), bytes.end());
      return text.substr(0, text.find('\0'));
    }
    if (bytes.size() % 2 != 0) Fail("UTF-16 text data with an odd number of bytes");
    std::size_t units = 0;
    while (units < bytes.size() / 2 && (bytes[2 * units] != 0 || bytes[2 * units + 1] != 0)) {
      ++units;
    }
    return Utf16LeToUtf8(bytes.data(), units);
  }

  std::string file_name_;
  std::string text_;
  std::vector<Line> lines_;
  std::size_t line_no_ = 0;
  bool unicode_ = true;
  bool in_key_ = false;
  RegFileData::Key* current_ = nullptr;
  RegFileData data_;
};

class FileRegistryKey final : public RegistryKey {
 public:
  FileRegistryKey(std::shared_ptr<const RegFileData> data, const RegFileData::Key* key)
      : data_(std::move(data)), key_(key) {}

  std::string ReadString(const std::string& name) const override {
    if (key_ == nullptr) return {};
    auto it = key_->values.find(FoldCase(name));
    if (it == key_->values.end()) return {};
    const RegValue& value = it->second;
    if (value.type != RegValue::Type::String && value.type != RegValue::Type::ExpandString) {
      throw Error("Invalid data type for '" + name + "'");
    }
    return value.text;
  }

 private:
  std::shared_ptr<const RegFileData> data_;  // keeps the values alive
  const RegFileData::Key* key_;              // nullptr: a key that only has subkeys
};

class FileRegistry final : public Registry {
 public:
  explicit FileRegistry(RegFileData data)
      : data_(std::make_shared<const RegFileData>(std::move(data))) {}

  bool KeyExists(const std::string& path) const override {
    return Find(NormalizeKeyPath(path)).has_value();
  }

  std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const override {
    auto found = Find(NormalizeKeyPath(path));
    if (!found) return nullptr;
    return std::make_unique<FileRegistryKey>(data_, *found);
  }

 private:
  // The key's values (nullptr for a key that exists only as the parent of others), or
  // nullopt when there is no such key.
  std::optional<const RegFileData::Key*> Find(const std::string& path) const {
    auto it = data_->keys.find(path);
    if (it != data_->keys.end()) return &it->second;
    if (path.empty()) return nullptr;  // the hive itself always exists
    std::string prefix = path + "\\";
    auto child = data_->keys.lower_bound(prefix);
    if (child != data_->keys.end() && child->first.compare(0, prefix.size(), prefix) == 0) {
      return nullptr;
    }
    return std::nullopt;
  }

  std::shared_ptr<const RegFileData> data_;
};

}  // namespace

std::string FoldCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = b0 < 0x80           ? 1
                      : (b0 >> 5) == 0x6  ? 2
                      : (b0 >> 4) == 0xE  ? 3
                      : (b0 >> 3) == 0x1E ? 4
                                          : 0;
    bool valid = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; valid && k < len; ++k) {
      valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    }
    if (!valid) {  // not UTF-8: keep the byte as it is
      out += s[i++];
      continue;
    }
    char32_t c = len == 1 ? b0 : b0 & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) c = (c << 6) | (s[i + k] & 0x3F);
    char32_t folded = FoldChar(c);
    if (folded == c) {
      out.append(s.substr(i, len));
    } else {
      AppendUtf8(out, folded);
    }
    i += len;
  }
  return out;
}

std::string NormalizeKeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return FoldCase(path);
}

std::string RegistryFilePath() {
  const char* env = std::getenv(kRegistryFileEnv);
  if (env != nullptr && *env != '\0') return env;
  return kDefaultRegistryFile;
}

RegFileData ParseRegFile(std::string_view text, const std::string& file_name) {
  return Parser(text, file_name).Run();
}

RegFileData ReadRegFile(const std::string& file_name) {
  std::error_code ec;
  auto status = std::filesystem::status(FileSystemPath(file_name), ec);
  if (status.type() == std::filesystem::file_type::not_found) return {};
  if (ec) {
    throw Error("Unable to read the registry file \"" + file_name + "\": " + ec.message());
  }
  if (std::filesystem::is_directory(status)) {
    throw Error("Unable to read the registry file \"" + file_name + "\": " + std::strerror(EISDIR));
  }
  errno = 0;
  std::ifstream in(FileSystemPath(file_name), std::ios::binary);
  if (!in) {
    int err = errno != 0 ? errno : EACCES;
    throw Error("Unable to read the registry file \"" + file_name + "\": " + std::strerror(err));
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    throw Error("Unable to read the registry file \"" + file_name + "\": " + std::strerror(EIO));
  }
  return ParseRegFile(text, file_name);
}

std::unique_ptr<Registry> MakeFileRegistry(RegFileData data) {
  return std::make_unique<FileRegistry>(std::move(data));
}

}  // namespace updater
