#include "messages/format/code_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

std::string Utf8(char32_t cp) {
  std::string s;
  AppendUtf8(s, cp);
  return s;
}

TEST(CodePagesTest, DecodesTheBytesThatDifferBetweenThePages) {
  EXPECT_EQ(DecodeByte(CodePage::Windows1251, 0xC0), U'А');
  EXPECT_EQ(DecodeByte(CodePage::Windows1251, 0xFF), U'я');
  EXPECT_EQ(DecodeByte(CodePage::Windows1251, 0xA8), U'Ё');
  EXPECT_EQ(DecodeByte(CodePage::Windows1251, 0xB9), U'№');
  EXPECT_EQ(DecodeByte(CodePage::Windows1251, 0x88), U'€');
  EXPECT_EQ(DecodeByte(CodePage::Windows1252, 0xC0), U'À');
  EXPECT_EQ(DecodeByte(CodePage::Windows1252, 0x80), U'€');
  EXPECT_EQ(DecodeByte(CodePage::Windows1252, 0x9F), U'Ÿ');
  for (auto page : {CodePage::Windows1251, CodePage::Windows1252}) {
    EXPECT_EQ(DecodeByte(page, 0x85), U'\u2026');  // the ellipsis in both
    EXPECT_EQ(DecodeByte(page, 'A'), U'A');
  }
  EXPECT_EQ(DecodeByte(CodePage::Windows1251, 0x98), std::nullopt);
  for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(DecodeByte(CodePage::Windows1252, static_cast<std::uint8_t>(b)), std::nullopt) << b;
  }
}

TEST(CodePagesTest, EncodingIsTheInverseOfDecoding) {
  for (auto page : {CodePage::Windows1251, CodePage::Windows1252}) {
    for (int b = 0; b < 256; ++b) {
      auto cp = DecodeByte(page, static_cast<std::uint8_t>(b));
      if (cp) {
        EXPECT_EQ(EncodeCodePoint(page, *cp), b) << b;
      }
    }
  }
  EXPECT_EQ(EncodeCodePoint(CodePage::Windows1252, U'я'), std::nullopt);
  EXPECT_EQ(EncodeCodePoint(CodePage::Windows1251, U'é'), std::nullopt);
  EXPECT_EQ(EncodeCodePoint(CodePage::Windows1251, U'\u201C'), 0x93);
  EXPECT_EQ(EncodeCodePoint(CodePage::Windows1252, U'\u4E2D'), std::nullopt);
}

TEST(CodePagesTest, Utf8RoundTripAndMalformedInput) {
  const std::string text = "a" + Utf8(U'ё') + Utf8(U'\u2026') + Utf8(U'\U0001F600');
  EXPECT_EQ(text, "aё…\xF0\x9F\x98\x80");
  std::size_t pos = 0;
  std::u32string back;
  while (auto cp = NextUtf8(text, pos)) back.push_back(*cp);
  EXPECT_EQ(back, U"aё…\U0001F600");
  EXPECT_EQ(pos, text.size());
  for (std::string bad : {"\x80", "\xC3", "\xC0\xAF", "\xE2\x80", "\xED\xA0\x80", "\xFF"}) {
    std::size_t p = 0;
    EXPECT_EQ(NextUtf8(bad, p), std::nullopt);
    EXPECT_EQ(p, 0u);
  }
}

}  // namespace
}  // namespace updater
