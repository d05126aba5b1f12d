#pragma once

#include <string>

#include "seams/operator.h"
#include "seams/project_profile.h"
#include "sys/clock.h"

namespace updater {

// The product folder of one update and the working folders of one run.
struct UpdateContext {
  std::string ProductDir;
  std::string ProgramDir;
  std::string ResourcesDir;
  std::string DbDataDir;
  std::string TempDir;
  std::string NewDir;
  std::string OldDir;
  std::string OldProgramDir;
  std::string OldResourcesDir;
  std::string OldDbDataDir;
  std::string OldOtherDir;
  std::string WorkDir;
  std::string WorkProgramDir;
  std::string WorkResourcesDir;
  std::string WorkDbDataDir;
  std::string DbPath;      // connection string of the live database
  std::string WorkDbPath;  // connection string of the working copy
  bool HasClientPart = false;
  bool HasServerPart = false;
};

// Checks `product_folder` and computes the context of it; creates nothing on disk.
// Raises Error with the catalogue text when the folder is missing or not on a local
// drive, and when its path is longer than the platform accepts. The run that asked for it
// owns the result. The working folders are named from the time on `clock`.
UpdateContext UpdateInit(Clock& clock, Operator& op, const ProjectProfile& profile,
                         const std::string& product_folder);

// "ddmmyyhhnnss" of `t` on the local clock.
std::string FormatRunStamp(Clock::TimePoint t);

}  // namespace updater
