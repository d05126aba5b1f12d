#include <pthread.h>
#include <signal.h>

#include <thread>

#include "sys/error.h"
#include "sys/stop_request.h"

namespace updater {

void WatchStopSignals(StopRequest& request) {
  sigset_t signals;
  ::sigemptyset(&signals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&signals, signal);
  // Blocked in every thread, none is ever delivered to a handler, the client library's
  // included: one thread of ours takes them all. Programs we start get their own mask.
  if (::pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0)
    throw Error("Cannot take over the stop signals");
  std::thread([signals, &request] {
    for (;;) {
      int signal = 0;
      if (::sigwait(&signals, &signal) == 0) request.Request();
    }
  }).detach();
}

}  // namespace updater
