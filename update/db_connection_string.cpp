#include "update/db_connection_string.h"

namespace updater {

namespace {

DbServerAndFile SplitByRules(const std::string& s) {
  if (s.size() > 2 && s[1] == ':' && s.find(':', 2) == std::string::npos) return {false, "", s};
  if (s.find("\\\\") != std::string::npos) {
    // The server runs from the third character up to the next backslash.
    const std::size_t end = s.size() > 2 ? s.find('\\', 2) : std::string::npos;
    if (end == std::string::npos) return {true, s.size() > 2 ? s.substr(2) : "", ""};
    return {true, s.substr(2, end - 2), s.substr(end + 1)};
  }
  if (const std::size_t at = s.find('@'); at != std::string::npos)
    return {true, s.substr(0, at), s.substr(at + 1)};
  if (const std::size_t colon = s.find(':'); colon != std::string::npos)
    return {true, s.substr(0, colon), s.substr(colon + 1)};
  return {false, "", s};
}

}  // namespace

DbServerAndFile SplitConnectionString(const std::string& connection_string,
                                      const std::string& server_prefix) {
  if (connection_string.compare(0, server_prefix.size(), server_prefix) != 0)
    return SplitByRules(connection_string);
  DbServerAndFile parts = SplitByRules(server_prefix);
  parts.FilePath += connection_string.substr(server_prefix.size());
  return parts;
}

std::string ServicesManagerName(const DbServerAndFile& parts) {
  return parts.Remote ? parts.Server + ":service_mgr" : "service_mgr";
}

}  // namespace updater
