#include <windows.h>

#include "sys/error.h"
#include "sys/stop_request.h"

namespace updater {

namespace {

StopRequest* g_request = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (g_request != nullptr) g_request->Request();
      // Handled here: neither the default action nor a library's handler ends the process.
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void WatchStopSignals(StopRequest& request) {
  g_request = &request;
  if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE))
    throw Error("Cannot take over the console's stop events");
}

}  // namespace updater
