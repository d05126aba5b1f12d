#include "seams/project_profile.h"

#include "seams/platform_names.h"

namespace updater {

ProjectProfile PresetProfile() {
  ProjectProfile p;
  p.ClientLibName = kPlatformClientLibName;
  p.DbFileName = "DunVeld.fdb";
  p.ExeFileName = "DunVeld.exe";
  p.SystemPassword = "trelmowask";
  p.AdmnPassword = "7";
  p.ProductDir = kPlatformDefaultProductDir;
  p.ServerPrefix = "localhost/3051:";
  p.FreeSpaceFactor = 2;
  p.ProjectKey = "Dunveld";
  return p;
}

}  // namespace updater
