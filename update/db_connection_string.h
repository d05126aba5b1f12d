#pragma once

#include <string>

namespace updater {

// A connection string taken apart for the services manager.
struct DbServerAndFile {
  bool Remote = false;  // a server was named, possibly an empty one
  std::string Server;
  std::string FilePath;
};

// Tried in order: a drive path ("C:..." with no further ":") is local; "\\server\path";
// "server@path"; "server:path" (split at the first ":"); anything else is local.
// A connection string that begins with `server_prefix` (the profile's) is split by the
// prefix alone: the rest is file path whatever it holds, so a folder named "a@b" or "x:y"
// never yields a server. An empty prefix thus makes every such string a local path.
DbServerAndFile SplitConnectionString(const std::string& connection_string,
                                      const std::string& server_prefix);

// "server:service_mgr" for a remote server, "service_mgr" for the local one.
std::string ServicesManagerName(const DbServerAndFile& parts);

}  // namespace updater
