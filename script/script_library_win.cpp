#include "script/script_library.h"

namespace updater {

std::string ScriptLibraryFileName() {
  return "ibes033008.dll";
}

}  // namespace updater
