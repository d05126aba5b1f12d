#include <vector>

#include "fbserver/registry.h"
#include "sys/utf16_win.h"

namespace updater {

namespace {

// The 64-bit view: the product's server writes its keys there, whichever build reads them.
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY;

std::wstring KeyPath(const std::string& path) {
  std::string trimmed = path;
  while (!trimmed.empty() && trimmed.front() == '\\') trimmed.erase(0, 1);
  return win::Utf16(trimmed);
}

class SystemKey final : public RegistryKey {
 public:
  explicit SystemKey(HKEY key) : key_(key) {}
  ~SystemKey() override { ::RegCloseKey(key_); }
  SystemKey(const SystemKey&) = delete;
  SystemKey& operator=(const SystemKey&) = delete;

  std::string ReadString(const std::string& name) const override {
    const std::wstring value = win::Utf16(name);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key_, value.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return {};
    }
    // Room for a terminating zero the stored value may lack.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = bytes;
    if (::RegQueryValueExW(key_, value.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
      return {};
    }
    std::wstring text(buffer.data(), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return win::Utf8(text);
  }

 private:
  HKEY key_;
};

class SystemRegistry final : public Registry {
 public:
  bool KeyExists(const std::string& path) const override { return OpenKey(path) != nullptr; }

  std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const override {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, kReadAccess, &key) !=
        ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<SystemKey>(key);
  }
};

}  // namespace

std::unique_ptr<Registry> OpenLocalMachineRegistry() {
  return std::make_unique<SystemRegistry>();
}

}  // namespace updater
