#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updater::db {

// The user names of an isc_info_user_names reply, in reply order, duplicates kept. Reads
// items while the current byte is isc_info_user_names and stops at the first other byte
// (isc_info_end, isc_info_truncated or anything else), and also where an item would run
// past the end of the reply.
std::vector<std::string> DecodeUserNames(std::string_view reply);

// The value of `item` in an info reply of items made of a code, a two-byte length and an
// integer of that length; nullopt when the item is not there before isc_info_end.
std::optional<std::int64_t> FindInfoInteger(std::string_view reply, unsigned char item);

// A little-endian integer of one to eight bytes.
std::int64_t LittleEndianInteger(std::string_view bytes);

}  // namespace updater::db
