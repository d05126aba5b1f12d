#pragma once

#include <string>
#include <string_view>

namespace updater::scriptlib {

// The connection parameter text the library's "Connect" receives:
// db_name=D; password=P; user_name=U; lc_ctype=C; sql_role_name=R; sql_dialect=3; clientlib="L"
struct ConnectParams {
  std::string database;
  std::string password;
  std::string user;
  std::string charset;
  std::string role;
  int dialect = 3;
  std::string client_library;
};

// Throws std::runtime_error naming the faulty pair.
ConnectParams ParseConnectParams(std::string_view text);

}  // namespace updater::scriptlib
