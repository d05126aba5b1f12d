#pragma once

#include <string>

namespace updater {

// Writes the two libraries the executable carries into `folder` under the names the
// platform loads them by: the Firebird client (item "DLL" "fbclient") as the profile's
// client library name and the script library (item "DLL" "ibescript") under its file name.
// Each is written only when nothing of that name is there; an existing file, older or not,
// is never replaced. Raises Error "Resource %s not found" or "Cannot create file %s".
void WriteCarriedLibraries(const std::string& folder);

// The same for the folder of the running executable: both front ends call it at start,
// before the run log is created.
void WriteCarriedLibraries();

}  // namespace updater
