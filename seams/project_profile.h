#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace updater {

// The product's own files that an update reads, installs, replaces or deletes, named once.
struct ProductFiles {
  std::string UpdateScript = "script.sql";
  std::string RolesScript = "Sys_Roles.sql";
  std::string RolesCapture = "Roles.sql";    // what the roles script writes, read back later
  std::string UdfLibrary = "Dv_UDF_u8.dll";  // installed in the server's udf folder
  std::string HelpFile = "DunVeld.chm";      // the client's, in its program folder
  // The payload's help file for each Program_Language, 1 to 4.
  std::array<std::string, 4> HelpSources = {"RU_DunVeld.chm", "EN_DunVeld.chm", "DE_DunVeld.chm",
                                            "FR_DunVeld.chm"};
  // Deleted from the program folder by an update.
  std::vector<std::string> Retired = {"storage.ini", "Fr.dll"};
};

// The names and defaults that bind the Updater to its one product.
struct ProjectProfile {
  std::string ClientLibName;
  std::string DbFileName;
  std::string ExeFileName;
  std::string SystemPassword;
  std::string AdmnPassword;
  std::string ProductDir;
  std::string ServerPrefix;
  std::int32_t FreeSpaceFactor = 0;
  std::string ProjectKey;
  ProductFiles Files;
};

// The preset values installed at start-up; the client library and the default
// product folder are the platform's own.
ProjectProfile PresetProfile();

}  // namespace updater
