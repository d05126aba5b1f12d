#pragma once

#include <string>

#include "db/connection_params.h"
#include "seams/platform_names.h"

namespace updater {
namespace {

const char* const kClient = kPlatformClientLibName;

// The connection most of the binding's tests use: SYSDBA over the given database, in UTF8.
db::ConnectionParams Params(const std::string& database, const std::string& password = "pw") {
  return {.client_library = kClient,
          .database = database,
          .user = "SYSDBA",
          .password = password,
          .charset = "UTF8"};
}

}  // namespace
}  // namespace updater
