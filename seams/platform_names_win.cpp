#include "seams/platform_names.h"

namespace updater {

const char* const kPlatformClientLibName = "fbclient.dll";
const char* const kPlatformScriptLibName = "ibes033008.dll";
const char* const kPlatformDefaultProductDir = "C:\\OVN\\DunVeld";

}  // namespace updater
