#pragma once

#include <string>

#include "update/preflight.h"

namespace updater {

// The check's findings for people: a title, one line per item with its verdict mark
// ([+] passed, [!] met by the update, [x] stops it, [-] not tried) and the verdict, in the
// active language.
std::string CheckTable(const PreflightReport& report);

// The same for machines: one JSON object (README, "Pre-flight check").
std::string CheckJson(const PreflightReport& report);

}  // namespace updater
