#include "db/info_reply.h"

#include <ibase.h>

namespace updater::db {

std::vector<std::string> DecodeUserNames(std::string_view reply) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos < reply.size() && static_cast<unsigned char>(reply[pos]) == isc_info_user_names) {
    // code, two length bytes, one name length byte, the name
    if (pos + 4 > reply.size()) break;
    const std::size_t length = static_cast<unsigned char>(reply[pos + 3]);
    if (pos + 4 + length > reply.size()) break;
    names.emplace_back(reply.substr(pos + 4, length));
    pos += 4 + length;
  }
  return names;
}

std::int64_t LittleEndianInteger(std::string_view bytes) {
  std::uint64_t value = 0;
  const std::size_t count = bytes.size() < 8 ? bytes.size() : 8;
  for (std::size_t i = 0; i < count; ++i)
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  // Sign-extend a shorter value.
  if (count > 0 && count < 8 && (bytes[count - 1] & 0x80) != 0) value |= ~0ULL << (8 * count);
  return static_cast<std::int64_t>(value);
}

std::optional<std::int64_t> FindInfoInteger(std::string_view reply, unsigned char item) {
  std::size_t pos = 0;
  while (pos + 3 <= reply.size()) {
    const auto code = static_cast<unsigned char>(reply[pos]);
    if (code == isc_info_end || code == isc_info_truncated) break;
    const auto length =
        static_cast<std::size_t>(LittleEndianInteger(reply.substr(pos + 1, 2)) & 0xFFFF);
    if (pos + 3 + length > reply.size()) break;
    if (code == item) return LittleEndianInteger(reply.substr(pos + 3, length));
    pos += 3 + length;
  }
  return std::nullopt;
}

}  // namespace updater::db
