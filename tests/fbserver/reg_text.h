#pragma once

#include <string>

namespace updater::testing {

// Registry content in the text of a .reg file, as the discovery reads it.
inline const std::string kServicesKey =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";
inline const std::string kUninstall =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Text as a .reg file writes it: backslashes and quotation marks escaped.
inline std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

inline std::string OwnService(const std::string& image_path) {
  return kServicesKey + "KorvaneFireXBirdServer]\n\"ImagePath\"=" + Quoted(image_path) + "\n";
}
inline std::string DefaultInstance(const std::string& image_path) {
  return kServicesKey + "FirebirdServerDefaultInstance]\n\"ImagePath\"=" + Quoted(image_path) +
         "\n";
}
inline std::string UninstallEntry(const std::string& name) {
  return kUninstall + name + "]\n\"DisplayName\"=\"Firebird\"\n";
}

}  // namespace updater::testing
