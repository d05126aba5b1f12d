#include "resources/embedded_resource.h"

#include <algorithm>

namespace updater {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::span<const EmbeddedItem> EmbeddedResources() {
  return detail::EmbeddedTable();
}

std::optional<std::span<const std::uint8_t>> FindEmbeddedResource(std::string_view type,
                                                                  std::string_view name) {
  for (const EmbeddedItem& item : detail::EmbeddedTable()) {
    if (EqualNoCase(item.type, type) && EqualNoCase(item.name, name)) return item.bytes;
  }
  return std::nullopt;
}

}  // namespace updater
