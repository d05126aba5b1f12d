#include "script/script_library.h"

namespace updater {

std::string ScriptLibraryFileName() {
  return "libibes033008.so";
}

}  // namespace updater
