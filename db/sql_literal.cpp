#include "db/sql_literal.h"

namespace updater::db {

std::string SqlStringLiteral(std::string_view value) {
  std::string literal;
  literal.reserve(value.size() + 2);
  literal += '\'';
  for (const char c : value) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  literal += '\'';
  return literal;
}

}  // namespace updater::db
