#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace updater {

// One item linked into the executable at build time (see updater_embed in CMake).
struct EmbeddedItem {
  std::string_view type;
  std::string_view name;
  std::span<const std::uint8_t> bytes;
};

// Every item the executable carries, in the order they were declared.
std::span<const EmbeddedItem> EmbeddedResources();

// The bytes of the item of `type` named `name` (both compared without regard to case, as
// executable resources are), or nothing. A zero byte follows every item's bytes, so text
// data may also be read as a C string.
std::optional<std::span<const std::uint8_t>> FindEmbeddedResource(std::string_view type,
                                                                  std::string_view name);

namespace detail {
// Defined by the table that the build generates.
std::span<const EmbeddedItem> EmbeddedTable();
}  // namespace detail

}  // namespace updater
