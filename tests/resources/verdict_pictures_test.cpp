#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "resources/embedded_resource.h"

namespace updater {
namespace {

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at) {
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
         (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

// The window loads them by these names and shows them in a 41 by 41 place.
TEST(VerdictPicturesTest, BothAre41By41PngPictures) {
  for (const char* name : {"Success", "errors"}) {
    auto bytes = FindEmbeddedResource("images", name);
    ASSERT_TRUE(bytes.has_value()) << name;
    ASSERT_GT(bytes->size(), 33u) << name;
    EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 8), "\x89PNG\r\n\x1a\n") << name;
    EXPECT_EQ(std::string(bytes->begin() + 12, bytes->begin() + 16), "IHDR") << name;
    EXPECT_EQ(BigEndian(*bytes, 16), 41u) << name;
    EXPECT_EQ(BigEndian(*bytes, 20), 41u) << name;
  }
}

}  // namespace
}  // namespace updater
