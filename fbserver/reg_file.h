#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fbserver/registry.h"

namespace updater {

// Where the POSIX backend finds its registry: the file named by the environment
// variable UPDATER_REGISTRY, else /etc/updater/registry.reg.
inline constexpr const char* kRegistryFileEnv = "UPDATER_REGISTRY";
inline constexpr const char* kDefaultRegistryFile = "/etc/updater/registry.reg";
std::string RegistryFilePath();

struct RegValue {
  enum class Type { String, ExpandString, Dword, Binary };
  Type type = Type::String;
  std::string text;                 // String and ExpandString, UTF-8
  std::uint32_t dword = 0;          // Dword
  std::vector<std::uint8_t> bytes;  // Binary (any other hex(N) type)
};

// The HKEY_LOCAL_MACHINE part of a .reg export. Keys and value names are stored
// case-folded; paths without the hive and without leading or trailing "\".
struct RegFileData {
  struct Key {
    std::map<std::string, RegValue> values;
  };
  std::map<std::string, Key> keys;
};

// Parses the text of a .reg file ("REGEDIT4" or "Windows Registry Editor Version 5.00";
// UTF-8, or UTF-16LE with its byte-order mark). Errors name `file_name` and the line.
RegFileData ParseRegFile(std::string_view text, const std::string& file_name);

// Reads and parses a file; a file that does not exist is an empty registry.
RegFileData ReadRegFile(const std::string& file_name);

// A Registry over parsed data.
std::unique_ptr<Registry> MakeFileRegistry(RegFileData data);

// Key-path form used for lookups: case folded (ASCII, Latin-1, Cyrillic), no leading
// or trailing "\".
std::string NormalizeKeyPath(std::string_view path);
std::string FoldCase(std::string_view utf8);

}  // namespace updater
