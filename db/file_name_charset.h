#pragma once

namespace updater::db {

// Makes the client library take our file names as the UTF-8 they are. The client turns a
// file name to and from the system's character set even when the parameter block marks it
// UTF-8; on POSIX that set is the C library's current one, ASCII in the C locale, where every
// letter outside ASCII would fail. Called before a client library is loaded.
void UseUtf8FileNames();

}  // namespace updater::db
