#pragma once

// The Windows payload archive: a small Windows program (the stub) with the payload files
// appended to it. The stub reads its own executable and writes every file into the folder it
// runs in. All numbers are little-endian and unsigned.
//
//   stub executable bytes
//   entry 1 .. entry N, each:   u32 name length | name (UTF-8) | u64 size | size bytes
//   trailer (24 bytes):         u64 offset of entry 1 | u64 N | 8 bytes "DVPAYLD1"
//
// The entries must end exactly where the trailer starts. A name is a plain file name: not
// empty, no "..", no path separator, drive colon or control character, no Windows device name. No
// compression: the payload's own checksum list (payload.sha256, one of the entries) guards the
// content.
//
// Header-only and portable: the packer runs on the build machine, the stub on Windows.

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace updater::payload_format {

inline constexpr char kMagic[8] = {'D', 'V', 'P', 'A', 'Y', 'L', 'D', '1'};
inline constexpr std::size_t kTrailerSize = 24;
// Far beyond any real name; it keeps a damaged length from reading the whole archive.
inline constexpr std::uint32_t kMaxNameLength = 1024;

struct Entry {
  std::string name;
  std::span<const std::uint8_t> bytes;
};

struct FormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == '/' || c == '\\' || c == ':') return false;
  }
  // Windows drops a trailing dot or blank, and a device name (NUL, COM1.txt) is no file.
  if (name.back() == '.' || name.back() == ' ') return false;
  std::string stem(name.substr(0, name.find('.')));
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return false;
  if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
      stem[3] <= '9') {
    return false;
  }
  return true;
}

namespace detail {

inline std::uint64_t Read(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

inline void Append(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace detail

// The entries of a whole archive file, checked end to end before any is returned: a damaged
// archive must not leave half its files behind.
inline std::vector<Entry> ReadArchive(std::span<const std::uint8_t> file) {
  if (file.size() < kTrailerSize) throw FormatError("the archive is truncated (no trailer)");
  const std::size_t trailer = file.size() - kTrailerSize;
  if (std::memcmp(file.data() + trailer + 16, kMagic, sizeof kMagic) != 0) {
    throw FormatError("the archive is damaged or truncated (no trailer mark)");
  }
  const std::uint64_t first = detail::Read(file, trailer, 8);
  const std::uint64_t count = detail::Read(file, trailer + 8, 8);
  if (first > trailer) throw FormatError("the archive is damaged (entries beyond the end)");
  std::vector<Entry> entries;
  std::size_t at = static_cast<std::size_t>(first);
  for (std::uint64_t i = 0; i < count; ++i) {
    if (trailer - at < 4)
      throw FormatError("the archive is truncated (entry " + std::to_string(i + 1) + ")");
    const std::uint64_t name_length = detail::Read(file, at, 4);
    at += 4;
    if (name_length > kMaxNameLength || trailer - at < name_length + 8) {
      throw FormatError("the archive is truncated (entry " + std::to_string(i + 1) + ")");
    }
    Entry entry;
    entry.name.assign(reinterpret_cast<const char*>(file.data() + at), name_length);
    at += name_length;
    if (!IsPlainName(entry.name)) {
      throw FormatError("the archive holds an unsafe file name: " + entry.name);
    }
    const std::uint64_t size = detail::Read(file, at, 8);
    at += 8;
    if (size > trailer - at) {
      throw FormatError("the archive is truncated (file " + entry.name + ")");
    }
    entry.bytes = file.subspan(at, static_cast<std::size_t>(size));
    at += static_cast<std::size_t>(size);
    entries.push_back(std::move(entry));
  }
  if (at != trailer) throw FormatError("the archive is damaged (bytes after the last entry)");
  return entries;
}

// Appends the entries and the trailer to `out`, which holds the stub.
inline void AppendArchive(std::vector<std::uint8_t>& out, const std::vector<Entry>& entries) {
  const std::uint64_t first = out.size();
  for (const Entry& entry : entries) {
    if (!IsPlainName(entry.name) || entry.name.size() > kMaxNameLength) {
      throw FormatError("unusable file name for the archive: " + entry.name);
    }
    detail::Append(out, entry.name.size(), 4);
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    detail::Append(out, entry.bytes.size(), 8);
    out.insert(out.end(), entry.bytes.begin(), entry.bytes.end());
  }
  detail::Append(out, first, 8);
  detail::Append(out, entries.size(), 8);
  out.insert(out.end(), std::begin(kMagic), std::end(kMagic));
}

}  // namespace updater::payload_format
