// A Windows service for the service-manager tests: takes a moment to start and to stop, and
// reports each step the way a real server does (pending with a check point, then the state).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE status_handle = nullptr;
HANDLE stop_event = nullptr;

void Report(DWORD state, DWORD check_point, DWORD wait_hint) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status.dwCheckPoint = check_point;
  status.dwWaitHint = wait_hint;
  ::SetServiceStatus(status_handle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP) {
    Report(SERVICE_STOP_PENDING, 1, 2000);
    ::SetEvent(stop_event);
  }
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  status_handle = ::RegisterServiceCtrlHandlerExW(L"", Control, nullptr);
  if (status_handle == nullptr) return;
  stop_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  for (DWORD step = 1; step <= 3; ++step) {
    Report(SERVICE_START_PENDING, step, 2000);
    ::Sleep(100);
  }
  Report(SERVICE_RUNNING, 0, 0);
  ::WaitForSingleObject(stop_event, INFINITE);
  ::Sleep(200);
  ::CloseHandle(stop_event);
  Report(SERVICE_STOPPED, 0, 0);
}

}  // namespace

int main() {
  wchar_t name[] = L"";
  const SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
