#include "db/connection_params.h"

#include <utility>

#include "sys/error.h"
#include "sys/text.h"

namespace updater::db {

namespace {

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

// The text fields by their keys.
constexpr std::pair<const char*, std::string ConnectionParams::*> kTextFields[] = {
    {"db_name", &ConnectionParams::database},   {"password", &ConnectionParams::password},
    {"user_name", &ConnectionParams::user},     {"lc_ctype", &ConnectionParams::charset},
    {"sql_role_name", &ConnectionParams::role}, {"clientlib", &ConnectionParams::client_library}};

}  // namespace

std::string BuildConnectParams(const ConnectionParams& params) {
  for (const auto& [name, field] : kTextFields) {
    // Never echo the value: it may be the password.
    if ((params.*field).find("; ") != std::string::npos)
      throw Error(std::string("The value of the connection parameter \"") + name +
                  "\" must not contain a semicolon followed by a blank!");
  }
  return "db_name=" + params.database + "; password=" + params.password +
         "; user_name=" + params.user + "; lc_ctype=" + params.charset +
         "; sql_role_name=" + params.role + "; sql_dialect=" + std::to_string(params.dialect) +
         "; clientlib=\"" + params.client_library + "\"";
}

ConnectionParams ParseConnectParams(std::string_view text) {
  ConnectionParams params;
  while (!text.empty()) {
    const std::size_t separator = text.find("; ");
    std::string_view pair = text.substr(0, separator);
    text = separator == std::string_view::npos ? std::string_view() : text.substr(separator + 2);

    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos)
      throw Error("Invalid connection parameter \"" + std::string(pair) + "\"");
    const std::string key = AsciiLower(std::string(pair.substr(0, equals)));
    const std::string_view value = pair.substr(equals + 1);
    std::string ConnectionParams::*field = nullptr;
    for (const auto& [name, member] : kTextFields) {
      if (key == name) field = member;
    }
    if (field != nullptr) {
      params.*field = key == "clientlib" ? Unquote(value) : value;
    } else if (key == "sql_dialect") {
      if (value != "1" && value != "3")
        throw Error("Unsupported SQL dialect \"" + std::string(value) + "\"");
      params.dialect = value[0] - '0';
    } else {
      throw Error("Unknown connection parameter \"" + std::string(pair) + "\"");
    }
  }
  if (params.database.empty()) throw Error("The connection parameters name no database");
  if (params.client_library.empty())
    throw Error("The connection parameters name no client library");
  return params;
}

}  // namespace updater::db
