#include "seams/platform_names.h"

namespace updater {

const char* const kPlatformClientLibName = "libfbclient.so.2";
const char* const kPlatformScriptLibName = "libibes033008.so";
const char* const kPlatformDefaultProductDir = "/opt/OVN/DunVeld";

}  // namespace updater
