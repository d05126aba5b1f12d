#pragma once

#include <string>

namespace updater {

// The file operations of the run log. Every failure raises an Error that names the
// path and the system's reason.

// The separator between a folder and a name on this platform.
extern const char kPathSeparator;

// Folder + name, with a separator only where the folder lacks one.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates the folder and any missing parents; the result is left to the next step to find out.
void ForceFolders(const std::string& folder);

// Creates the file empty (truncating an existing one) and closes it.
void CreateEmptyFile(const std::string& path);

// Opens the file for appending, writes the bytes and closes it; each step raises on failure.
void AppendToFile(const std::string& path, const std::string& bytes);

}  // namespace updater
