#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace updater {

// The two 8-bit code pages that the translation data is kept in.
enum class CodePage { Windows1251, Windows1252 };

// The Unicode code point of `byte`, or nothing for the few bytes the code page leaves undefined.
std::optional<char32_t> DecodeByte(CodePage page, std::uint8_t byte);

// The byte that stands for `code_point`, or nothing when the code page cannot represent it.
std::optional<std::uint8_t> EncodeCodePoint(CodePage page, char32_t code_point);

// Appends `code_point` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t code_point);

// Decodes the next UTF-8 sequence of `text` from `pos` and advances `pos`; nothing on a
// malformed sequence (then `pos` is left unchanged).
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& pos);

}  // namespace updater
