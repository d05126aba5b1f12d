#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fbserver/facilities.h"
#include "fbserver/fb_serv_params.h"
#include "seams/project_profile.h"
#include "sys/path_holders.h"
#include "update/product_state.h"

namespace updater {

enum class CheckVerdict {
  Pass,
  Warn,  // the update would start, and meet this
  Fail,  // the update would not start, or would fail before its first change
  Skip,  // not tried: what it needs was not there
};

struct CheckItem {
  std::string name;  // for machines: "product", "unfinished_run", "release", ...
  CheckVerdict verdict = CheckVerdict::Skip;
  std::string text;  // for people, in the active language
};

// Everything an update of the product would meet, found without changing anything.
struct PreflightReport {
  std::string product_dir;
  bool product_found = false;
  ProductParts parts;
  std::string unfinished_journal;  // empty when no run is unfinished
  std::string carried_release;
  InstalledRelease installed;
  bool server_found = false;
  TFBServParams server;
  std::string service_state;  // "running", "stopped", "start-pending", "stop-pending"
  std::vector<std::string> attached_users;
  std::uint64_t needed_bytes = 0;
  std::uint64_t free_bytes = 0;
  std::vector<PathHolder> holders;
  std::vector<CheckItem> items;  // in the order they were made

  bool AlreadyCurrent() const { return installed.state == ReleaseState::Current; }
  // Every failed item, not only the first.
  std::vector<const CheckItem*> Failures() const;
  // What `update` would do: change the product, or end at once as already current. An
  // unfinished run stops both.
  bool WouldStart() const;
};

// Looks at the product in `product_dir` as an update would, each finding an item: the folder
// and its parts, an unfinished run, the installed release, the carried payload (unpacked into
// a temporary folder beside this program, checked and removed), the server's discovery and
// service, both passwords (by attaching), the users attached, the free space and the other
// programs that hold the folder open. Nothing of the product, the server or the database is
// changed; nothing is asked.
PreflightReport CheckBeforeUpdate(const Facilities& f, const ProjectProfile& profile,
                                  const std::string& product_dir,
                                  const std::string& system_password,
                                  const std::string& admn_password);

}  // namespace updater
