#pragma once

#include <string>

namespace updater::db {

// A loaded shared library, unloaded when the object goes.
class SharedLibrary {
 public:
  // Loads `name` from the executable's folder first, then by the platform's own search.
  // `what` names the library in the error ("The Firebird client library"); the error also
  // names the file tried and the loader's reason.
  SharedLibrary(const std::string& name, const std::string& what);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // nullptr when the library does not export `symbol`.
  void* Symbol(const char* symbol) const;
  // The file actually loaded: a full path when it came from the executable's folder.
  const std::string& file() const { return file_; }
  // The library stays loaded when this object goes.
  void KeepLoaded() noexcept { handle_ = nullptr; }

 private:
  void* handle_ = nullptr;
  std::string file_;
};

}  // namespace updater::db
