#include "db/attachment.h"

#include <utility>

#include "db/client_api.h"
#include "db/firebird_error.h"
#include "sys/error.h"

namespace updater::db {

Attachment::Attachment(const ClientApi& api, const std::string& database,
                       const ParameterBlock& params)
    : handle_(api) {
  // The client takes both lengths as a short: a longer text would be cut, not refused.
  constexpr std::size_t kLongest = 32767;
  if (database.size() > kLongest)
    throw Error("The database name is " + std::to_string(database.size()) +
                " bytes long; at most 32767 can be attached");
  if (params.size() > kLongest)
    throw Error("The attachment parameters are " + std::to_string(params.size()) +
                " bytes long; at most 32767 can be passed");
  Status status;
  api.isc_attach_database(status.get(), static_cast<short>(database.size()), database.c_str(),
                          handle_.get(), static_cast<short>(params.size()), params.data());
  status.Check(api, handle_);
}

Attachment Attachment::Create(const ClientApi& api, const std::string& create_sql, int dialect) {
  Attachment attachment;
  attachment.handle_ = DatabaseHandle(api);
  isc_tr_handle transaction = 0;
  Status status;
  api.isc_dsql_execute_immediate(status.get(), attachment.handle(), &transaction, 0,
                                 create_sql.c_str(), static_cast<unsigned short>(dialect), nullptr);
  status.Check(api);
  return attachment;
}

std::string Attachment::Info(const std::string& items, std::size_t buffer_size) {
  // The call takes the buffer length as a short.
  if (buffer_size > 32767) buffer_size = 32767;
  std::string reply(buffer_size, '\0');
  Status status;
  api().isc_database_info(status.get(), handle(), static_cast<short>(items.size()), items.data(),
                          static_cast<short>(reply.size()), reply.data());
  status.Check(api());
  return reply;
}

void Attachment::Detach() {
  if (!attached()) return;
  Status status;
  api().isc_detach_database(status.get(), handle());
  status.Check(api());
  handle_.Forget();
}

void Attachment::Drop() {
  if (!attached()) return;
  Status status;
  api().isc_drop_database(status.get(), handle());
  status.Check(api());
  handle_.Forget();
}

}  // namespace updater::db
