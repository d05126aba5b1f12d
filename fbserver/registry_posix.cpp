#include "fbserver/reg_file.h"
#include "fbserver/registry.h"

namespace updater {

// There is no system registry here: the machine's keys live in a .reg file.
std::unique_ptr<Registry> OpenLocalMachineRegistry() {
  return MakeFileRegistry(ReadRegFile(RegistryFilePath()));
}

}  // namespace updater
