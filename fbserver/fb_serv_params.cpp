#include "fbserver/fb_serv_params.h"

#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/text.h"

namespace updater {

namespace {

constexpr const char* kDefaultConnectPrefix = "localhost/3051:";

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The super server test first, the classic one second: a path naming both is classic.
void DetectServerType(const std::string& image_path, const char* super_exe, const char* classic_exe,
                      TFBServParams& params) {
  const std::string upper = AsciiUpper(image_path);
  if (Contains(upper, super_exe)) {
    params.ServerType = "SUPER";
    params.ServerExeName = super_exe;
  }
  if (Contains(upper, classic_exe)) {
    params.ServerType = "CLASSIC";
    params.ServerExeName = classic_exe;
  }
  if (params.ServerType.empty()) throw Error(kServerTypeUnknownText);
}

std::string PrefixOrDefault(const std::string& image_path) {
  std::string prefix = ConnectPrefixFromImagePath(image_path);
  return prefix.empty() ? kDefaultConnectPrefix : prefix;
}

void FromOwnService(const RegistryKey& key, TFBServParams& params) {
  params.ServiceName = kOwnServiceName;
  const std::string image_path = key.ReadString("ImagePath");
  DetectServerType(image_path, "FBSRVDNVL.EXE", "FB_INET_SRVDNVL.EXE", params);
  params.FbRootDir = RootDirFromImagePath(image_path, PathSeparator());
  if (!DirectoryExists(params.FbRootDir)) throw Error(kServiceDamagedText);
  params.ConnectPrefix = PrefixOrDefault(image_path);
}

void FromDefaultInstance(const Registry& registry, bool own_key_exists, TFBServParams& params) {
  std::string uninstall_name = kFirstUninstallName;
  if (!own_key_exists) {
    bool found = registry.KeyExists(kUninstallKey + uninstall_name);
    if (!found) {
      uninstall_name = kSecondUninstallName;
      found = registry.KeyExists(kUninstallKey + uninstall_name);
    }
    if (!found) return;
  }
  // Only proves that the entry opens; nothing is read from it.
  if (registry.OpenKey(kUninstallKey + uninstall_name) == nullptr) {
    throw Error(kServiceDamagedText);
  }

  auto key = registry.OpenKey(kDefaultServerKey);
  if (key == nullptr) return;
  // The guardian is stopped and started; the server's own key holds the image path.
  params.ServiceName = kGuardianServiceName;
  const std::string image_path = key->ReadString("ImagePath");
  DetectServerType(image_path, "FBSERVER.EXE", "FB_INET_SERVER.EXE", params);
  params.FbRootDir = RootDirFromImagePath(image_path, PathSeparator());
  params.ConnectPrefix = PrefixOrDefault(image_path);
}

}  // namespace

std::string RootDirFromImagePath(const std::string& image_path, char separator) {
  const std::string bin = std::string(1, separator) + "bin" + separator;
  const std::size_t pos = image_path.find(bin);
  if (pos == std::string::npos) return {};
  return image_path.substr(0, pos + 1);
}

std::string ConnectPrefixFromImagePath(const std::string& image_path) {
  const std::size_t pos = image_path.find("-p ");
  if (pos == std::string::npos) return {};
  std::string port = image_path.substr(pos + 2);
  port.erase(0, port.find_first_not_of(' '));
  const std::size_t blank = port.find(' ');
  if (blank != std::string::npos) port.resize(blank);
  return "localhost/" + port + ":";
}

void GetFBServParams(const Registry& registry, TFBServParams& params) {
  params.ServerType.clear();
  const bool own_key_exists = registry.KeyExists(kOwnServiceKey);
  if (own_key_exists) {
    if (auto key = registry.OpenKey(kOwnServiceKey)) {
      FromOwnService(*key, params);
      return;
    }
  }
  FromDefaultInstance(registry, own_key_exists, params);
}

void GetFBServParams(TFBServParams& params) {
  auto registry = OpenLocalMachineRegistry();
  GetFBServParams(*registry, params);
}

}  // namespace updater
