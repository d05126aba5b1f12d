#include <windows.h>

#include "messages/system_language.h"

namespace updater {

std::uint16_t GetSystemLangID() {
  return GetSystemDefaultLangID();
}

}  // namespace updater
