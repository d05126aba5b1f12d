#pragma once

#include <cstdint>
#include <string>

#include "seams/operator.h"

namespace updater {

// The size of `path` shifted right by `shift` bits, cut to 32 bits; -1 when the file
// does not open for exclusive reading (it is missing, a folder, or another process holds
// it open or locked, as a database server holds its database).
std::int32_t GetFileSizeShifted(const std::string& path, int shift);

// False when `path` does not open (see GetFileSizeShifted); raises
// "To write the file to disk "<root>" is required at least <n> MB of free space!" when
// the drive holding `root` has fewer free megabytes than the file's size in whole
// megabytes times `factor`.
bool CheckFreeSize(Operator& op, const std::string& path, const std::string& root,
                   std::uint8_t factor);

// Platform parts of the two above.
// The size of a file opened for exclusive reading; false when it does not open.
bool ExclusiveFileSize(const std::string& path, std::uint64_t& size);
// Free bytes of the drive holding `root`, counted whole (not only those left to this user).
bool TotalFreeBytes(const std::string& root, std::uint64_t& bytes);

}  // namespace updater
