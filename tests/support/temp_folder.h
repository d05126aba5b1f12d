#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace updater::testing {

// A fresh folder for one test on a fixed disk (not a memory file system such as /tmp may be),
// removed with everything in it at the end; rights that a test took away are given back first.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` ("a/b" allowed) in the folder, in the platform's form.
  std::string operator/(const std::string& name) const;
  // Writes `content` to the file `name` in the folder and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// `path` with every separator the platform's preferred one.
std::string NativeSeparators(std::string path);

// Whole files, written without our own code; missing parent folders are made.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
// Anything of that name, a dangling link included.
bool Exists(const std::string& path);

// Works in `folder` until the end of the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& folder);
  ~ScopedCurrentDirectory();
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path before_;
};

// Sets an environment variable for one scope (nullptr unsets it) and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// True when the tests run under Wine, for the few system facilities it only approximates.
bool UnderWine();

// Platform parts of the above.
std::string MakeTempFolder();
void GiveRightsBack(const std::string& folder);
std::optional<std::string> GetEnv(const std::string& name);
void SetEnv(const std::string& name, const std::optional<std::string>& value);

}  // namespace updater::testing
