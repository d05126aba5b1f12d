#pragma once

#include <functional>
#include <string>

#include "sys/error.h"

namespace updater::testing {

// The text of the error `call` raises, or "<no error>": compared whole, so that a test shows
// the message it got.
inline std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace updater::testing
