#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fbserver/server_processes.h"
#include "fbserver/service_manager.h"
#include "tests/support/fake_clock.h"

namespace updater::testing {

// A scripted service manager. Every request, query and process call is written to
// `events` with the fake clock's time in milliseconds, so tests see the order of
// requests and waits.
class FakeServiceControl final : public ServiceControl, public ServerProcesses {
 public:
  struct FakeService {
    ServiceStatus status{kServiceStopped, 0, 0};
    bool start_accepted = true;
    // Statuses the following queries report, one each; the last one stays. Filled by
    // the test; without any, a start ends running and a stop ends stopped.
    std::deque<ServiceStatus> queries;
    // Replaces `queries` when a start request is accepted.
    std::deque<ServiceStatus> after_start;
    bool query_fails = false;
    int queries_until_failure = -1;  // queries answered before they start failing; -1 never
    // When set, the stop request answers this regardless of the state.
    bool stop_fails_without_status = false;
  };

  explicit FakeServiceControl(FakeClock& clock) : clock_(clock) {}

  bool manager_opens = true;
  std::map<std::string, FakeService> services;
  std::vector<std::string> events;
  std::int32_t kill_result = -1;
  int open_handles = 0;

  std::unique_ptr<ServiceManager> OpenManager(const std::string& machine) override {
    Log("open-manager " + machine);
    if (!manager_opens) return nullptr;
    return std::make_unique<Manager>(*this);
  }

  bool SetDebugPrivilege(bool enable) override {
    Log(enable ? "debug-on" : "debug-off");
    return true;
  }
  std::int32_t KillProcessByName(const std::string& exe_name) override {
    Log("kill " + exe_name);
    return kill_result;
  }

  void Log(const std::string& what) {
    events.push_back(what + " @" + std::to_string(clock_.TotalSlept().count()));
  }

  // Events without their times, for order checks.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const std::string& e : events) names.push_back(e.substr(0, e.rfind(" @")));
    return names;
  }

 private:
  class Handle : public Service {
   public:
    Handle(FakeServiceControl& owner, std::string name, ServiceAccess access)
        : owner_(owner), name_(std::move(name)), access_(access) {
      ++owner_.open_handles;
    }
    ~Handle() override { --owner_.open_handles; }

    bool RequestStart() override {
      owner_.Log("start " + name_);
      FakeService& s = owner_.services.at(name_);
      if (access_ != ServiceAccess::StartAndQuery || !s.start_accepted ||
          s.status.state != kServiceStopped) {
        return false;
      }
      s.status = {kServiceStartPending, 0, 0};
      if (!s.after_start.empty()) s.queries = s.after_start;
      if (s.queries.empty()) s.queries.push_back({kServiceRunning, 0, 0});
      return true;
    }

    StopReply RequestStop(ServiceStatus& status) override {
      owner_.Log("stop " + name_);
      FakeService& s = owner_.services.at(name_);
      if (access_ != ServiceAccess::StopAndQuery || s.stop_fails_without_status) {
        return StopReply::Failed;
      }
      if (s.status.state != kServiceRunning) {
        status = s.status;
        return StopReply::Refused;
      }
      s.status = {kServiceStopPending, 0, 0};
      if (s.queries.empty()) s.queries.push_back({kServiceStopped, 0, 0});
      status = s.status;
      return StopReply::Accepted;
    }

    bool QueryStatus(ServiceStatus& status) override {
      owner_.Log("query " + name_);
      FakeService& s = owner_.services.at(name_);
      if (s.query_fails || s.queries_until_failure == 0) return false;
      if (s.queries_until_failure > 0) --s.queries_until_failure;
      if (!s.queries.empty()) {
        s.status = s.queries.front();
        if (s.queries.size() > 1)
          s.queries.pop_front();
        else
          s.queries.clear();
      }
      status = s.status;
      return true;
    }

   private:
    FakeServiceControl& owner_;
    std::string name_;
    ServiceAccess access_;
  };

  class Manager : public ServiceManager {
   public:
    explicit Manager(FakeServiceControl& owner) : owner_(owner) { ++owner_.open_handles; }
    ~Manager() override { --owner_.open_handles; }
    std::unique_ptr<Service> OpenServiceByName(const std::string& name,
                                               ServiceAccess access) override {
      owner_.Log("open " + name);
      if (owner_.services.count(name) == 0) return nullptr;
      return std::make_unique<Handle>(owner_, name, access);
    }

   private:
    FakeServiceControl& owner_;
  };

  FakeClock& clock_;
};

}  // namespace updater::testing
