#include "db/client_api.h"

#include <map>
#include <memory>
#include <mutex>

#include "db/file_name_charset.h"
#include "db/shared_library.h"
#include "sys/error.h"

namespace updater::db {

namespace {

struct LoadedClient {
  std::unique_ptr<SharedLibrary> library;
  ClientApi api;
};

template <typename Function>
void Resolve(const SharedLibrary& library, const char* symbol, Function& target) {
  void* address = library.Symbol(symbol);
  if (address == nullptr) {
    throw Error("The Firebird client library \"" + library.file() + "\" lacks the entry point \"" +
                symbol + "\".");
  }
  target = reinterpret_cast<Function>(address);
}

bool g_refuse_shutdown_on_signals = false;

int RefuseSignalShutdown(const int reason, const int /*mask*/, void* /*arg*/) {
  return reason == fb_shutrsn_signal ? 1 : 0;
}

void RefuseShutdownOnSignal(const ClientApi& api) {
  ISC_STATUS_ARRAY status{};
  if (api.fb_shutdown_callback(status, RefuseSignalShutdown, fb_shut_confirmation, nullptr) != 0 ||
      status[1] != 0) {
    throw Error("The Firebird client library \"" + api.library_file +
                "\" does not let the program take over its stop signals.");
  }
}

#define UPDATER_RESOLVE(name) Resolve(*client->library, #name, client->api.name)

std::unique_ptr<LoadedClient> LoadClient(const std::string& name) {
  auto client = std::make_unique<LoadedClient>();
  client->library = std::make_unique<SharedLibrary>(name, "The Firebird client library");
  client->api.library_file = client->library->file();
  UPDATER_RESOLVE(isc_attach_database);
  UPDATER_RESOLVE(isc_detach_database);
  UPDATER_RESOLVE(isc_drop_database);
  UPDATER_RESOLVE(isc_database_info);
  UPDATER_RESOLVE(isc_start_transaction);
  UPDATER_RESOLVE(isc_commit_transaction);
  UPDATER_RESOLVE(isc_rollback_transaction);
  UPDATER_RESOLVE(isc_commit_retaining);
  UPDATER_RESOLVE(isc_rollback_retaining);
  UPDATER_RESOLVE(isc_dsql_allocate_statement);
  UPDATER_RESOLVE(isc_dsql_prepare);
  UPDATER_RESOLVE(isc_dsql_describe);
  UPDATER_RESOLVE(isc_dsql_describe_bind);
  UPDATER_RESOLVE(isc_dsql_sql_info);
  UPDATER_RESOLVE(isc_dsql_execute);
  UPDATER_RESOLVE(isc_dsql_execute2);
  UPDATER_RESOLVE(isc_dsql_execute_immediate);
  UPDATER_RESOLVE(isc_dsql_fetch);
  UPDATER_RESOLVE(isc_dsql_free_statement);
  UPDATER_RESOLVE(isc_open_blob2);
  UPDATER_RESOLVE(isc_get_segment);
  UPDATER_RESOLVE(isc_close_blob);
  UPDATER_RESOLVE(isc_service_attach);
  UPDATER_RESOLVE(isc_service_detach);
  UPDATER_RESOLVE(isc_service_start);
  UPDATER_RESOLVE(fb_interpret);
  UPDATER_RESOLVE(isc_sqlcode);
  UPDATER_RESOLVE(fb_sqlstate);
  UPDATER_RESOLVE(fb_shutdown_callback);
  if (g_refuse_shutdown_on_signals) RefuseShutdownOnSignal(client->api);
  return client;
}

#undef UPDATER_RESOLVE

// Never unloaded: the client library keeps threads and exit handlers of its own, and
// unloading it while they are alive brings the process down at exit.
std::map<std::string, std::unique_ptr<LoadedClient>>* g_clients = nullptr;
std::mutex g_clients_guard;

}  // namespace

const ClientApi& LoadClientApi(const std::string& name) {
  std::lock_guard lock(g_clients_guard);
  if (g_clients == nullptr) g_clients = new std::map<std::string, std::unique_ptr<LoadedClient>>();
  auto found = g_clients->find(name);
  if (found == g_clients->end()) {
    UseUtf8FileNames();
    found = g_clients->emplace(name, LoadClient(name)).first;
  }
  return found->second->api;
}

void RefuseClientShutdownOnSignals() {
  std::lock_guard lock(g_clients_guard);
  if (g_refuse_shutdown_on_signals) return;
  g_refuse_shutdown_on_signals = true;
  if (g_clients != nullptr) {
    for (const auto& entry : *g_clients) RefuseShutdownOnSignal(entry.second->api);
  }
}

void ForgetClientApis() noexcept {
  std::lock_guard lock(g_clients_guard);
  if (g_clients == nullptr) return;
  for (const auto& entry : *g_clients) entry.second->library->KeepLoaded();
  delete g_clients;
  g_clients = nullptr;
}

}  // namespace updater::db
