#include "db/file_name_charset.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <initializer_list>

namespace updater::db {

void UseUtf8FileNames() {
  if (std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0) return;
  // Only the character type: dates, numbers and messages keep the caller's locale.
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
    if (std::setlocale(LC_CTYPE, name) != nullptr) return;
  }
}

}  // namespace updater::db
