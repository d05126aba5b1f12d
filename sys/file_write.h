#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace updater {

enum class WriteOutcome {
  Written,
  Exists,        // WriteFileIfAbsent only: something of that name is there already
  CannotCreate,  // the file could not be created or opened for writing
  CannotWrite,   // it was opened but the bytes could not all be written
};

// Creates `path`, or replaces the content of the file there, with `bytes`. An executable
// file may be run afterwards. A file that another process holds open, a read-only file, a
// folder or a link at `path` is left alone (CannotCreate), as Windows refuses to overwrite
// them. After a failed write nothing of that name is left.
WriteOutcome WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                            bool executable);

// Writes `path` only when nothing of that name exists. The file appears whole or not at
// all (it is written aside first), and a file that someone else makes meanwhile is never
// replaced.
WriteOutcome WriteFileIfAbsent(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace updater
