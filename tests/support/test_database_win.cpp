#include <windows.h>

#include <exception>

#include "db/client_library.h"
#include "db/parameter_block.h"
#include "db/service_attachment.h"
#include "seams/project_profile.h"
#include "sys/path.h"
#include "sys/utf16_win.h"
#include "tests/support/test_database.h"

namespace updater::testing {

std::string DefaultTestDatabaseFolder() {
  wchar_t base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, base);
  const std::string root = n > 0 && n <= MAX_PATH ? win::Utf8(std::wstring(base, n)) : "C:\\";
  return JoinPath(root, "updater-test-db");
}

int OwnProcessId() {
  return static_cast<int>(::GetCurrentProcessId());
}

namespace {

std::optional<std::string> Probe() {
  const db::ClientApi* api = nullptr;
  try {
    api = &db::LoadClientApi(PresetProfile().ClientLibName);
  } catch (const std::exception& e) {
    return std::string("no Firebird client library for Windows on this machine (") + e.what() +
           "): server tests skipped";
  }
  try {
    db::ServiceAttachment service(*api, std::string(kTestServerPrefix) + "service_mgr",
                                  db::ServiceAttachParameters("SYSDBA", kTestSysdbaPassword));
    service.Detach();
  } catch (const std::exception& e) {
    return std::string("no Firebird fixture server answers at ") + kTestServerPrefix + " (" +
           e.what() + "): server tests skipped";
  }
  return std::nullopt;
}

}  // namespace

// Asked once: the answer holds for the whole run.
std::optional<std::string> TestServerUnavailable() {
  static const std::optional<std::string> why = Probe();
  return why;
}

}  // namespace updater::testing
