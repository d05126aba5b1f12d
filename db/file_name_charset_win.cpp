#include "db/file_name_charset.h"

namespace updater::db {

// The parameter blocks' UTF-8 marks are enough: the client converts from UTF-8 itself.
void UseUtf8FileNames() {}

}  // namespace updater::db
