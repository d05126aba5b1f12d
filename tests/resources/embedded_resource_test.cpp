#include "resources/embedded_resource.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace updater {
namespace {

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(EmbeddedResourceTest, FindsItemsByTypeAndNameWithoutRegardToCase) {
  auto exact = FindEmbeddedResource("STRINGS", "LDM_Sil");
  ASSERT_TRUE(exact);
  auto folded = FindEmbeddedResource("strings", "ldm_SIL");
  ASSERT_TRUE(folded);
  EXPECT_EQ(folded->data(), exact->data());
  EXPECT_EQ(folded->size(), exact->size());
  EXPECT_TRUE(AsText(*exact).starts_with("stCaptions\r\nstHints\r\n"));
  EXPECT_TRUE(AsText(*exact).ends_with("stCharSets\r\n"));
  // A row: key, the five texts each after byte 1, one more byte 1, CR LF.
  EXPECT_NE(AsText(*exact).find("\r\nYes\x01&Yes\x01\x01\x01\x01\x01\r\n"), std::string_view::npos);

  auto window = FindEmbeddedResource("Strings", "FRMMAIN_SILL");
  ASSERT_TRUE(window);
  EXPECT_NE(window->data(), exact->data());
  EXPECT_TRUE(AsText(*window).starts_with("stCaptions\r\nTfrmMain\x01"));
}

TEST(EmbeddedResourceTest, UnknownTypeOrNameIsNotFound) {
  EXPECT_FALSE(FindEmbeddedResource("DLL", "LDM_Sil"));
  EXPECT_FALSE(FindEmbeddedResource("STRINGS", "LDM_Si"));
  EXPECT_FALSE(FindEmbeddedResource("STRINGS", "LDM_Sil "));
  EXPECT_FALSE(FindEmbeddedResource("", ""));
}

TEST(EmbeddedResourceTest, EveryItemIsListedAndEndsWithAZeroByte) {
  auto items = EmbeddedResources();
  ASSERT_GE(items.size(), 2u);
  for (const EmbeddedItem& item : items) {
    auto found = FindEmbeddedResource(item.type, item.name);
    ASSERT_TRUE(found) << item.type << " " << item.name;
    EXPECT_EQ(found->data(), item.bytes.data());
    EXPECT_EQ(item.bytes.data()[item.bytes.size()], 0) << item.name;
  }
}

}  // namespace
}  // namespace updater
