// Texts stay bytes: the settings file is read and written as it is. The templates are
// instantiated here, as not every platform's package carries them built.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cctype>
#include <cstdlib>
#include <string>

#include "messages/message_text.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/file_write.h"
#include "sys/path.h"
#include "sys/text.h"
#include "update/run_state.h"

namespace updater {

namespace {

// The settings file's name: the executable's with the extension ".ini".
std::string SettingsFileName(const std::string& exe_name) {
  const std::size_t dot = exe_name.rfind('.');
  return (dot == std::string::npos ? exe_name : exe_name.substr(0, dot)) + ".ini";
}

// An ini integer: decimal, or hexadecimal after "0x" or "$"; `fallback` for anything else.
long IniInteger(const char* value, long fallback) {
  if (value == nullptr) return fallback;
  std::string text = value;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  std::size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  int base = 10;
  if (text.compare(pos, 2, "0x") == 0 || text.compare(pos, 2, "0X") == 0) {
    base = 16;
    pos += 2;
  } else if (pos < text.size() && text[pos] == '$') {
    base = 16;
    pos += 1;
  }
  if (pos >= text.size() || text.size() - pos > 8) return fallback;
  long result = 0;
  for (; pos < text.size(); ++pos) {
    const unsigned char ch = static_cast<unsigned char>(text[pos]);
    int digit = 0;
    if (std::isdigit(ch)) {
      digit = ch - '0';
    } else if (base == 16 && std::isxdigit(ch)) {
      digit = std::tolower(ch) - 'a' + 10;
    } else {
      return fallback;
    }
    result = result * base + digit;
  }
  return negative ? -result : result;
}

// `text` with the line "key=value" put under the section's header, or with the section
// appended when there is none: every other line keeps its bytes, as the system's own ini
// writer does. Lines end as the file's first line does (CR LF when it has none).
std::string WithIniValueAdded(const std::string& text, const std::string& section,
                              const std::string& key, const std::string& value) {
  const std::size_t first_break = text.find('\n');
  const std::string eol =
      first_break != std::string::npos && (first_break == 0 || text[first_break - 1] != '\r')
          ? "\n"
          : "\r\n";
  const std::string line = key + "=" + value + eol;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string header = text.substr(start, end - start);
    while (!header.empty() && std::isspace(static_cast<unsigned char>(header.back())))
      header.pop_back();
    header.erase(0, header.find_first_not_of(" \t"));
    if (header.size() == section.size() + 2 && header.front() == '[' && header.back() == ']' &&
        SameTextIgnoringCase(header.substr(1, section.size()), section)) {
      const bool ends_line = end > start && text[end - 1] == '\n';
      return text.substr(0, end) + (ends_line ? "" : eol) + line + text.substr(end);
    }
    start = end;
  }
  const bool open_line = !text.empty() && text.back() != '\n';
  return text + (open_line ? eol : "") + "[" + section + "]" + eol + line;
}

}  // namespace

void UpdateRun::UpdateClient() {
  LogKey(msg::uIS_DunVeld_8);

  const std::string settings =
      IncludeTrailingSeparator(c_.WorkProgramDir) + SettingsFileName(profile_.ExeFileName);
  if (!FileExists(settings)) throw Error(GetMessageText(msg::uIS_DunVeld_9, settings));
  const int language = ReadProgramLanguage(settings);

  const ProductFiles& files = profile_.Files;
  for (const std::string& name : files.Retired) DeleteLiveAndWorkFile(name);

  CopyChecked(PayloadFile(profile_.ExeFileName), JoinPath(c_.WorkProgramDir, profile_.ExeFileName));
  CopyChecked(PayloadFile(files.HelpSources.at(static_cast<std::size_t>(language - 1))),
              JoinPath(c_.WorkProgramDir, files.HelpFile));
}

int UpdateRun::ReadProgramLanguage(const std::string& settings_path) {
  // Read and written here rather than by the library, whose narrow file names would be taken
  // in the system's code page on Windows. The file is closed once read: Windows refuses to
  // replace a file that is still open, even by this process.
  const std::optional<std::string> text = ReadFileText(settings_path);
  CSimpleIniA ini;
  if (!text || ini.LoadData(*text) < 0) {
    throw Error(GetMessageText(msg::uUpdate_ReadProgramLanguage_1, settings_path));
  }
  const CSimpleIniA::TKeyVal* section = ini.GetSection("Language");
  if (section == nullptr || section->empty()) {
    const std::string saved = WithIniValueAdded(*text, "Language", "Program_Language", "1");
    if (WriteWholeFile(settings_path,
                       std::span(reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()),
                       false) != WriteOutcome::Written) {
      throw Error(GetMessageText(msg::uUpdate_ReadProgramLanguage_2, settings_path));
    }
    return 1;
  }
  const long value = IniInteger(ini.GetValue("Language", "Program_Language", nullptr), 0);
  if (value < 1 || value > 4) throw Error(GetMessageText(msg::uIS_DunVeld_10));
  return static_cast<int>(value);
}

void UpdateRun::DeleteLiveAndWorkFile(const std::string& name) {
  const std::string live = JoinPath(c_.ProgramDir, name);
  if (FileExists(live)) {
    // The rollback puts the file back from the backup, so the backup must hold it.
    const std::string backup = JoinPath(c_.OldProgramDir, name);
    if (!FileExists(backup)) {
      CopyChecked(live, backup);
      if (!Flush(backup)) throw Error(GetMessageText(msg::uUpdate_Record_1, backup));
    }
    if (!DeletePath(live)) throw Error(GetMessageText(msg::uIS_DunVeld_11, live));
    deleted_live_files_.push_back(name);
  }
  const std::string work = JoinPath(c_.WorkProgramDir, name);
  if (FileExists(work) && !DeletePath(work)) {
    throw Error(GetMessageText(msg::uIS_DunVeld_11, work));
  }
}

}  // namespace updater
