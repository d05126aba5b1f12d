#pragma once

#include <atomic>
#include <functional>

namespace updater {

// A request from outside the program that the command in progress stop: Ctrl+C, a service
// manager's or a job scheduler's stop, a closed terminal, a log-off. While a command is
// changing the live system it is armed: the request is only recorded, and the command stops at
// the end of the step it is in, puts the product back to one consistent version and ends as
// interrupted. Unarmed, nothing has been changed, and the program ends at once.
class StopRequest {
 public:
  // Told of each request with its count (1, 2, ...) and whether it came armed; runs on the
  // thread that receives the request, never on the command's.
  using Listener = std::function<void(int count, bool armed)>;

  bool Requested() const { return count_.load() > 0; }
  bool Armed() const { return armed_.load() > 0; }
  // Records one request and tells the listener; returns whether it came armed.
  bool Request();
  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // For a new command of the same program (the window runs many).
  void Clear() { count_ = 0; }

  // Armed for its lifetime; nests.
  class Arming {
   public:
    explicit Arming(StopRequest* request) : request_(request) {
      if (request_ != nullptr) ++request_->armed_;
    }
    ~Arming() {
      if (request_ != nullptr) --request_->armed_;
    }
    Arming(const Arming&) = delete;
    Arming& operator=(const Arming&) = delete;

   private:
    StopRequest* request_;
  };

 private:
  std::atomic<int> count_{0};
  std::atomic<int> armed_{0};
  Listener listener_;
};

// Takes this process's stop signals away from their default actions and from any library
// (the Firebird client would otherwise cut every connection of the process): SIGINT, SIGTERM
// and SIGHUP on POSIX, the console's Ctrl+C, Ctrl+Break, close, log-off and shut-down events
// on Windows. Each becomes a call of `request.Request()`. On POSIX it must be called before
// the program starts any thread, so that every later thread inherits the blocked signals.
void WatchStopSignals(StopRequest& request);

}  // namespace updater
