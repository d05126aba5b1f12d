#pragma once

#include <string>

namespace updater {

// The file operations of the run log. Every failure raises an Error that names the
// path and the system's reason.

// Creates the file empty (truncating an existing one) and closes it.
void CreateEmptyFile(const std::string& path);

// Opens the file for appending, writes the bytes and closes it; each step raises on failure.
void AppendToFile(const std::string& path, const std::string& bytes);

}  // namespace updater
