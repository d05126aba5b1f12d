#include "sys/stop_request.h"

namespace updater {

bool StopRequest::Request() {
  const int count = ++count_;
  const bool armed = Armed();
  if (listener_) listener_(count, armed);
  return armed;
}

}  // namespace updater
