#include "db/firebird_error.h"

#include "db/client_api.h"

namespace updater::db {

std::string FormatStatus(const ClientApi& api, const ISC_STATUS* status) {
  std::string text;
  const ISC_STATUS* cursor = status;
  char line[1024];
  while (api.fb_interpret(line, sizeof line, &cursor) > 0) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

void Status::Raise(const ClientApi& api) const {
  char state[6] = {};
  api.fb_sqlstate(state, vector_);
  std::string text = FormatStatus(api, vector_);
  if (text.empty()) text = "Firebird error " + std::to_string(vector_[1]) + ".";
  throw FirebirdError(text, vector_[1], static_cast<long>(api.isc_sqlcode(vector_)),
                      std::string(state));
}

}  // namespace updater::db
