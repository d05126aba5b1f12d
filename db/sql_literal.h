#pragma once

#include <string>
#include <string_view>

namespace updater::db {

// `value` as an SQL string literal: in single quotes, each quote inside doubled, so a path
// such as /srv/O'Brien reaches the statement as it is.
std::string SqlStringLiteral(std::string_view value);

}  // namespace updater::db
