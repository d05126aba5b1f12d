#include "resources/embedded_resource.h"

#include "sys/text.h"

namespace updater {

std::span<const EmbeddedItem> EmbeddedResources() {
  return detail::EmbeddedTable();
}

std::optional<std::span<const std::uint8_t>> FindEmbeddedResource(std::string_view type,
                                                                  std::string_view name) {
  for (const EmbeddedItem& item : detail::EmbeddedTable()) {
    if (SameTextIgnoringCase(item.type, type) && SameTextIgnoringCase(item.name, name))
      return item.bytes;
  }
  return std::nullopt;
}

}  // namespace updater
