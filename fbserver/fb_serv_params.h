#pragma once

#include <string>

#include "fbserver/registry.h"

namespace updater {

// The product's Firebird server installation, as found in the registry.
struct TFBServParams {
  std::string FbRootDir;      // installation folder, ends with a separator; may be empty
  std::string ServerType;     // "SUPER", "CLASSIC" or empty when nothing was found
  std::string ConnectPrefix;  // "localhost/<port>:"
  std::string ServerExeName;  // upper case, e.g. "FBSRVDNVL.EXE"
  std::string ServiceName;    // the service that is stopped and started

  bool operator==(const TFBServParams&) const = default;
};

inline constexpr const char* kOwnServiceName = "KorvaneFireXBirdServer";
inline constexpr const char* kGuardianServiceName = "FirebirdGuardianDefaultInstance";
inline constexpr const char* kDefaultServerServiceName = "FirebirdServerDefaultInstance";

inline constexpr const char* kOwnServiceKey =
    "\\SYSTEM\\CurrentControlSet\\Services\\KorvaneFireXBirdServer";
inline constexpr const char* kDefaultServerKey =
    "SYSTEM\\CurrentControlSet\\Services\\FirebirdServerDefaultInstance";
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr const char* kFirstUninstallName = "Firebird 2.0 для ПО ГК \"Корвен\"";
inline constexpr const char* kSecondUninstallName = "Firebird 2_0 server for Korvane GC";

inline constexpr const char* kServerTypeUnknownText =
    "FireBird server type could not be determined.";
inline constexpr const char* kServiceDamagedText =
    "FireBird server service is damaged or is not adapted for the software GC \"Korvane.\" "
    "Update aborted.";

// Fills `params` from the machine's registry. Clears ServerType first and touches the
// other fields only when it assigns them. Raises an Error on the failures it knows.
void GetFBServParams(TFBServParams& params);
void GetFBServParams(const Registry& registry, TFBServParams& params);

// The image path up to and including the separator in front of the first
// "<sep>bin<sep>" (case-sensitive); empty when there is none.
std::string RootDirFromImagePath(const std::string& image_path, char separator);
// "localhost/" + the text after the first "-p " (leading blanks skipped) up to the next
// blank + ":"; empty when the image path has no "-p ".
std::string ConnectPrefixFromImagePath(const std::string& image_path);

}  // namespace updater
