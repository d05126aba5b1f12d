#pragma once

#include <string>
#include <vector>

namespace updater {

// Another process that holds a file or folder open.
struct PathHolder {
  long pid = 0;
  std::string program;  // its executable's file name
  std::string path;     // what it holds
};

// Every other process holding `folder` or anything below it open (descriptors, working
// folders, executables), read once without changing anything.
std::vector<PathHolder> HoldersUnder(const std::string& folder);
// Windows offers no such list cheaply: there it is always empty, and only the run's rename
// test finds the holders.
bool HoldersCanBeListed();

}  // namespace updater
