// The connection parameter parser on any input: a clear error or the parsed values.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "db/connection_params.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    updater::db::ParseConnectParams(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const std::runtime_error&) {
  }
  return 0;
}
