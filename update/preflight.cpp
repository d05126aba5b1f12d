#include "update/preflight.h"

#include <array>
#include <exception>
#include <filesystem>
#include <optional>
#include <random>

#include "db/db_connection.h"
#include "fbserver/fb_service.h"
#include "fbserver/service_manager.h"
#include "messages/message_text.h"
#include "seams/quiet_operator.h"
#include "sys/drive_type.h"
#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/file_size.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/run_program.h"
#include "update/folder_ops.h"
#include "update/payload.h"
#include "update/run_journal.h"
#include "update/update_context.h"

namespace updater {

namespace {

std::string ServiceStateName(std::uint32_t state) {
  // By the service manager's state codes, 1 to 4; anything else counts as stopped.
  static constexpr std::array<const char*, 5> kNames = {"stopped", "stopped", "start-pending",
                                                        "stop-pending", "running"};
  return state < kNames.size() ? kNames.at(state) : "stopped";
}

std::uint64_t TreeBytes(const std::string& dir) {
  std::uint64_t total = 0;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(FileSystemPath(dir), ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code size_error;
    if (it->is_regular_file(size_error)) total += it->file_size(size_error);
  }
  return total;
}

// Unpacks the carried archive beside this program, as the run does in its New folder, and
// removes what it unpacked; the number of files checked.
std::size_t CheckCarriedPayload(const Facilities& f, Operator& quiet,
                                const ProjectProfile& profile) {
  std::random_device random;
  const std::string folder =
      JoinPath(ExecutableFolder(), "Check$" + std::to_string(random() % 1000000));
  MyCreateDir(folder);
  try {
    const std::string archive = JoinPath(folder, kPayloadArchiveName);
    ExtractFilesFromResource(archive, "");
    // Quiet, so that standard output keeps only the check's document; the Windows archive
    // ignores the word and prints nothing anyway.
    const std::size_t files = CheckUnpackedPayload(
        folder, RunAndWait(quiet, archive, " --quiet", kShowNormal, &f.progress), profile);
    MyRemoveDir(folder);
    return files;
  } catch (...) {
    try {
      MyRemoveDir(folder);
    } catch (...) {
    }
    throw;
  }
}

}  // namespace

std::vector<const CheckItem*> PreflightReport::Failures() const {
  std::vector<const CheckItem*> failed;
  for (const CheckItem& item : items)
    if (item.verdict == CheckVerdict::Fail) failed.push_back(&item);
  return failed;
}

bool PreflightReport::WouldStart() const {
  if (!unfinished_journal.empty()) return false;
  // A product at the carried release needs nothing else: the update ends at once.
  return (product_found && AlreadyCurrent()) || Failures().empty();
}

PreflightReport CheckBeforeUpdate(const Facilities& f, const ProjectProfile& profile,
                                  const std::string& product_dir,
                                  const std::string& system_password,
                                  const std::string& admn_password) {
  PreflightReport r;
  QuietOperator quiet;
  r.product_dir = FullPath(product_dir);
  r.carried_release = CarriedReleaseDigest();
  auto add = [&r](const char* name, CheckVerdict verdict, const std::string& text) {
    r.items.push_back({name, verdict, text});
  };

  UpdateContext c;
  try {
    c = UpdateInit(f.clock, quiet, profile, product_dir);
    r.product_found = true;
    r.parts = {.has_client = c.HasClientPart, .has_server = c.HasServerPart};
    if (c.HasClientPart || c.HasServerPart) {
      add("product", CheckVerdict::Pass,
          GetMessageText(c.HasClientPart && c.HasServerPart ? msg::uCheck_PartsBoth
                         : c.HasClientPart                  ? msg::uCheck_PartsClient
                                                            : msg::uCheck_PartsServer,
                         r.product_dir));
    } else {
      add("product", CheckVerdict::Fail,
          GetMessageText(msg::uUpdate_UpdateProgramm_04, r.product_dir, profile.ProjectKey));
    }
  } catch (const std::exception& e) {
    add("product", CheckVerdict::Fail, e.what());
  }

  try {
    if (const std::optional<FoundJournal> found = FindUnfinishedJournal(r.product_dir)) {
      r.unfinished_journal = found->path;
      // The start's own refusal: it says how the run stopped, or what is wrong with a journal
      // that cannot be read, and the way on.
      std::string refusal;
      try {
        RefuseOverUnfinishedRun(r.product_dir);
      } catch (const std::exception& e) {
        refusal = e.what();
      }
      add("unfinished_run", CheckVerdict::Fail, refusal);
    } else {
      add("unfinished_run", CheckVerdict::Pass, GetMessageText(msg::uCheck_NoUnfinishedRun));
    }
  } catch (const std::exception& e) {
    r.unfinished_journal = r.product_dir;
    add("unfinished_run", CheckVerdict::Fail, e.what());
  }

  bool server_running = false;
  if (r.parts.has_server) {
    try {
      GetFBServParams(r.server);
      r.server_found = !r.server.ServerType.empty() && !r.server.ServiceName.empty();
      if (!r.server_found) {
        add("server", CheckVerdict::Fail, GetMessageText(msg::uCheck_NoServer));
      } else {
        const std::uint32_t state = GetServiceState(f.service_control, "", r.server.ServiceName);
        r.service_state = ServiceStateName(state);
        server_running = state == kServiceRunning;
        add("server", server_running ? CheckVerdict::Pass : CheckVerdict::Fail,
            GetMessageText(
                server_running ? msg::uCheck_ServerRunning : msg::uCheck_ServerNotRunning,
                r.server.ServiceName, r.server.ServerType, r.server.FbRootDir, r.service_state));
      }
    } catch (const std::exception& e) {
      add("server", CheckVerdict::Fail, e.what());
    }
  }

  const db::ConnectionParams sysdba{
      .client_library = profile.ClientLibName, .user = "SYSDBA", .password = system_password};
  if (r.product_found) {
    r.installed =
        FindInstalledRelease(r.product_dir, r.carried_release,
                             LiveReleaseLayout(profile, r.product_dir, r.parts, r.server.FbRootDir),
                             ServerDatabaseProbe(sysdba, profile.ServerPrefix));
    switch (r.installed.state) {
      case ReleaseState::Current:
        add("release", CheckVerdict::Pass,
            GetMessageText(msg::uCheck_ReleaseCurrent, ShortDigest(r.carried_release)));
        break;
      case ReleaseState::Changed:
        add("release", CheckVerdict::Warn,
            GetMessageText(msg::uCheck_ReleaseChanged, ShortDigest(r.carried_release),
                           r.installed.changed));
        break;
      default:
        add("release", CheckVerdict::Pass,
            GetMessageText(msg::uCheck_ReleaseNew, ShortDigest(r.carried_release)));
        break;
    }
  }

  try {
    add("payload", CheckVerdict::Pass,
        GetMessageText(msg::uCheck_PayloadWhole,
                       std::to_string(CheckCarriedPayload(f, quiet, profile))));
  } catch (const std::exception& e) {
    add("payload", CheckVerdict::Fail, GetMessageText(msg::uCheck_PayloadDamaged, e.what()));
  }

  if (r.parts.has_server) {
    const std::string untried = GetMessageText(msg::uCheck_NotTried);
    auto try_password = [&](const char* name, const std::string& user,
                            const std::string& password) {
      if (!server_running) {
        add(name, CheckVerdict::Skip, untried);
        return;
      }
      try {
        db::TDBConnection connection(profile.ClientLibName, c.DbPath, user, password, "");
        connection.Connect();
        connection.Disconnect();
        add(name, CheckVerdict::Pass, GetMessageText(msg::uCheck_PasswordAccepted, user));
      } catch (const std::exception& e) {
        add(name, CheckVerdict::Fail, GetMessageText(msg::uCheck_PasswordRefused, user, e.what()));
      }
    };
    try_password("sysdba_password", "SYSDBA", system_password);
    if (profile.ProjectKey == "Dunveld" && admn_password.empty()) {
      add("admn_password", CheckVerdict::Fail, GetMessageText(msg::uUpdate_UpdateProgramm_07));
    } else {
      try_password("admn_password", "ADMN", admn_password);
    }

    if (!server_running) {
      add("attached_users", CheckVerdict::Skip, untried);
    } else if (r.server.ServerType != "SUPER") {
      add("attached_users", CheckVerdict::Warn, GetMessageText(msg::uCheck_UsersUnknown));
    } else {
      try {
        db::GetAttachedUsers(profile.ClientLibName, c.DbPath, "SYSDBA", system_password, "",
                             r.attached_users);
        std::string names;
        for (const std::string& user : r.attached_users)
          names += (names.empty() ? "" : "; ") + user;
        add("attached_users", names.empty() ? CheckVerdict::Pass : CheckVerdict::Warn,
            names.empty() ? GetMessageText(msg::uCheck_UsersNone)
                          : GetMessageText(msg::uCheck_UsersSome, names));
      } catch (const std::exception&) {
        add("attached_users", CheckVerdict::Skip, untried);
      }
    }
  }

  if (r.product_found && (r.parts.has_client || r.parts.has_server)) {
    // The run's own test counts the database times the profile's factor; the backup and the
    // working copy of the client folders come on top.
    std::error_code ec;
    std::uint64_t database_mb = 0;
    if (r.parts.has_server) {
      const auto size =
          std::filesystem::file_size(FileSystemPath(JoinPath(c.DbDataDir, profile.DbFileName)), ec);
      database_mb = ec ? 0 : size >> 20;
    }
    std::uint64_t client_bytes = 0;
    if (r.parts.has_client) client_bytes = TreeBytes(c.ProgramDir) + TreeBytes(c.ResourcesDir);
    r.needed_bytes = (database_mb * static_cast<std::uint64_t>(profile.FreeSpaceFactor) << 20) +
                     2 * client_bytes;
    const std::string root = DrivePart(r.product_dir);
    const std::string needed_mb = std::to_string((r.needed_bytes + (1u << 20) - 1) >> 20);
    if (!TotalFreeBytes(root, r.free_bytes)) {
      add("free_space", CheckVerdict::Warn, GetMessageText(msg::uCheck_SpaceUnknown, root));
    } else {
      const bool enough = r.free_bytes >= r.needed_bytes;
      add("free_space", enough ? CheckVerdict::Pass : CheckVerdict::Fail,
          GetMessageText(enough ? msg::uCheck_SpaceEnough : msg::uCheck_SpaceShort, root,
                         std::to_string(r.free_bytes >> 20), needed_mb));
    }

    if (!HoldersCanBeListed()) {
      add("lock_test", CheckVerdict::Skip, GetMessageText(msg::uCheck_LockUnknown));
    } else {
      // The server lets go of the database at the run's shutdown; attached users are above.
      const std::string live_db = JoinPath(c.DbDataDir, profile.DbFileName);
      std::string held;
      for (const PathHolder& holder : HoldersUnder(r.product_dir)) {
        if (holder.path == live_db) continue;
        r.holders.push_back(holder);
        held += (held.empty() ? "" : "; ") + holder.program + " (" + std::to_string(holder.pid) +
                "): " + holder.path;
      }
      add("lock_test", held.empty() ? CheckVerdict::Pass : CheckVerdict::Fail,
          held.empty() ? GetMessageText(msg::uCheck_LockFree)
                       : GetMessageText(msg::uCheck_LockHeld, held));
    }
  }
  return r;
}

}  // namespace updater
