#pragma once

#include <memory>
#include <string>

namespace updater {

// One key of HKEY_LOCAL_MACHINE, opened read-only; closed when the object goes.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // The text of a value; a value that is not there reads as empty text.
  virtual std::string ReadString(const std::string& name) const = 0;
};

// HKEY_LOCAL_MACHINE, read-only. Key paths are compared without regard to case and a
// leading "\" is ignored, as the platform registry does.
class Registry {
 public:
  virtual ~Registry() = default;
  virtual bool KeyExists(const std::string& path) const = 0;
  // nullptr when the key does not open.
  virtual std::unique_ptr<RegistryKey> OpenKey(const std::string& path) const = 0;
};

// The machine's registry. On POSIX it is read from a .reg file (see reg_file.h); a
// malformed or unreadable file raises an Error naming it.
std::unique_ptr<Registry> OpenLocalMachineRegistry();

}  // namespace updater
