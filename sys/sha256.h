#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace updater {

// SHA-256, fed in pieces of any size.
class Sha256 {
 public:
  Sha256();
  void Update(std::span<const std::uint8_t> bytes);
  // The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// Whether `text` is a digest as HexDigest writes it.
bool IsSha256Hex(std::string_view text);

// The digest of the file's content, or nothing when it cannot be read.
std::optional<std::string> Sha256OfFile(const std::string& path);

}  // namespace updater
