#include "seams/platform_names.h"

namespace updater {

const char* const kPlatformClientLibName = "fbclient.dll";
const char* const kPlatformDefaultProductDir = "C:\\OVN\\DunVeld";

}  // namespace updater
