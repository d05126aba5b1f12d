#pragma once

#include <string>
#include <string_view>

namespace updater::db {

// Everything that opens a database through a client library. Named fields, so that two
// swapped values cannot pass unnoticed.
struct ConnectionParams {
  std::string client_library;
  std::string database;
  std::string user;
  std::string password;
  std::string charset;
  std::string role;
  int dialect = 3;

  bool operator==(const ConnectionParams&) const = default;
};

// The script library's connection parameter text, `ConnectParams`:
// db_name=D; password=P; user_name=U; lc_ctype=C; sql_role_name=R; sql_dialect=3; clientlib="L"
// Throws Error when a value holds the pair separator "; ", which the reader could not tell
// from the end of the value.
std::string BuildConnectParams(const ConnectionParams& params);

// Reads that text back; keys in any order and case. Throws Error naming the faulty pair.
ConnectionParams ParseConnectParams(std::string_view text);

}  // namespace updater::db
