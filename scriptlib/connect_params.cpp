#include "scriptlib/connect_params.h"
#include "sys/text.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace updater::scriptlib {

namespace {

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

ConnectParams ParseConnectParams(std::string_view text) {
  ConnectParams params;
  bool has_database = false;
  while (!text.empty()) {
    const std::size_t separator = text.find("; ");
    std::string_view pair = text.substr(0, separator);
    text = separator == std::string_view::npos ? std::string_view() : text.substr(separator + 2);

    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos)
      throw std::runtime_error("Invalid connection parameter \"" + std::string(pair) + "\"");
    const std::string key = AsciiLower(std::string(pair.substr(0, equals)));
    const std::string_view value = pair.substr(equals + 1);
    if (key == "db_name") {
      params.database = value;
      has_database = true;
    } else if (key == "password") {
      params.password = value;
    } else if (key == "user_name") {
      params.user = value;
    } else if (key == "lc_ctype") {
      params.charset = value;
    } else if (key == "sql_role_name") {
      params.role = value;
    } else if (key == "sql_dialect") {
      if (value != "1" && value != "3")
        throw std::runtime_error("Unsupported SQL dialect \"" + std::string(value) + "\"");
      params.dialect = value[0] - '0';
    } else if (key == "clientlib") {
      params.client_library = Unquote(value);
    } else {
      throw std::runtime_error("Unknown connection parameter \"" + std::string(pair) + "\"");
    }
  }
  if (!has_database || params.database.empty())
    throw std::runtime_error("The connection parameters name no database");
  if (params.client_library.empty())
    throw std::runtime_error("The connection parameters name no client library");
  return params;
}

}  // namespace updater::scriptlib
