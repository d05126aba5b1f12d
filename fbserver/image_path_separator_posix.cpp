#include "fbserver/fb_serv_params.h"

namespace updater {

const char kImagePathSeparator = '/';

}  // namespace updater
