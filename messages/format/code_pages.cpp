#include "messages/format/code_pages.h"

#include <array>

namespace updater {
namespace {

// Bytes 0x80..0xBF of Windows-1251; 0 marks the one undefined byte (0x98).
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

// Bytes 0x80..0x9F of Windows-1252 (0xA0..0xFF equal Latin-1); 0 marks undefined bytes.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,  // 88
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,  // 98
};

}  // namespace

std::optional<char32_t> DecodeByte(CodePage page, std::uint8_t byte) {
  if (byte < 0x80) return byte;
  char16_t cp = 0;
  if (page == CodePage::Windows1251) {
    if (byte >= 0xC0) return static_cast<char32_t>(0x0410 + (byte - 0xC0));
    cp = kCp1251High[byte - 0x80];
  } else {
    if (byte >= 0xA0) return byte;
    cp = kCp1252High[byte - 0x80];
  }
  if (cp == 0) return std::nullopt;
  return cp;
}

std::optional<std::uint8_t> EncodeCodePoint(CodePage page, char32_t code_point) {
  if (code_point < 0x80) return static_cast<std::uint8_t>(code_point);
  // The tables are small; a linear search keeps them the single source of truth.
  for (int b = 0x80; b <= 0xFF; ++b) {
    auto decoded = DecodeByte(page, static_cast<std::uint8_t>(b));
    if (decoded && *decoded == code_point) return static_cast<std::uint8_t>(b);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& pos) {
  if (pos >= text.size()) return std::nullopt;
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    return std::nullopt;
  }
  if (pos + extra >= text.size()) return std::nullopt;
  for (int i = 1; i <= extra; ++i) {
    const auto c = static_cast<std::uint8_t>(text[pos + i]);
    if ((c & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  pos += extra + 1;
  return cp;
}

}  // namespace updater
