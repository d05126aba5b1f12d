// DunVeld.exe of the demo product: prints its version and the language that the settings
// file DunVeld.ini beside it selects (section "Language", key "Program_Language").

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#ifndef DUNVELD_VERSION
#error "DUNVELD_VERSION must name the version"
#endif

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The value of Program_Language in [Language], or "" when the file or the key is missing.
std::string ReadLanguage(const std::filesystem::path& ini) {
  std::ifstream in(ini);
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      in_section = Lower(Trim(line.substr(1, line.size() - 2))) == "language";
    } else if (in_section) {
      const auto equals = line.find('=');
      if (equals != std::string::npos &&
          Lower(Trim(line.substr(0, equals))) == "program_language") {
        return Trim(line.substr(equals + 1));
      }
    }
  }
  return {};
}

const char* LanguageName(const std::string& value) {
  if (value == "1") return "Russian";
  if (value == "2") return "English";
  if (value == "3") return "German";
  if (value == "4") return "French";
  return "Russian (no setting)";
}

}  // namespace

int main(int, char** argv) {
  const std::filesystem::path folder = std::filesystem::absolute(argv[0]).parent_path();
  const std::string language = ReadLanguage(folder / "DunVeld.ini");
  std::cout << "DunVeld version " << DUNVELD_VERSION << '\n'
            << "Language: " << (language.empty() ? "1" : language) << " (" << LanguageName(language)
            << ")\n";
  return 0;
}
