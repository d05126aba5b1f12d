#include "db/connection_params.h"

#include "sys/error.h"
#include "sys/text.h"

namespace updater::db {

namespace {

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string BuildConnectParams(const ConnectionParams& params) {
  const std::pair<const char*, const std::string*> values[] = {
      {"db_name", &params.database},   {"password", &params.password},
      {"user_name", &params.user},     {"lc_ctype", &params.charset},
      {"sql_role_name", &params.role}, {"clientlib", &params.client_library}};
  for (const auto& [name, value] : values) {
    // Never echo the value: it may be the password.
    if (value->find("; ") != std::string::npos)
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
  bool has_database = false;
  while (!text.empty()) {
    const std::size_t separator = text.find("; ");
    std::string_view pair = text.substr(0, separator);
    text = separator == std::string_view::npos ? std::string_view() : text.substr(separator + 2);

    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos)
      throw Error("Invalid connection parameter \"" + std::string(pair) + "\"");
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
        throw Error("Unsupported SQL dialect \"" + std::string(value) + "\"");
      params.dialect = value[0] - '0';
    } else if (key == "clientlib") {
      params.client_library = Unquote(value);
    } else {
      throw Error("Unknown connection parameter \"" + std::string(pair) + "\"");
    }
  }
  if (!has_database || params.database.empty())
    throw Error("The connection parameters name no database");
  if (params.client_library.empty())
    throw Error("The connection parameters name no client library");
  return params;
}

}  // namespace updater::db
