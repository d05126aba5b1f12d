// The .reg reader on any input: a clear error or a result, nothing else.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fbserver/reg_file.h"
#include "sys/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto registry = updater::MakeFileRegistry(updater::ParseRegFile(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.reg"));
    // Reading back what was stored must not fail in another way.
    if (registry->KeyExists("SYSTEM\\CurrentControlSet\\Services\\KorvaneFireXBirdServer")) {
      if (auto key =
              registry->OpenKey("SYSTEM\\CurrentControlSet\\Services\\KorvaneFireXBirdServer"))
        static_cast<void>(key->ReadString("ImagePath"));
    }
  } catch (const updater::Error&) {
  }
  return 0;
}
