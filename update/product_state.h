#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/connection_params.h"
#include "seams/project_profile.h"

namespace updater {

// The parts of the product in a folder, found as the update run finds them.
struct ProductParts {
  bool has_client = false;
  bool has_server = false;
};
ProductParts FindProductParts(const ProjectProfile& profile, const std::string& product_dir);

// SHA-256 of the payload archive this program carries: the release it brings. Empty when it
// carries none.
std::string CarriedReleaseDigest();

// A release as people read it: the first 12 digits of its digest.
std::string ShortDigest(const std::string& digest);

// The record that a successful update leaves in the product folder: the release it installed
// and what the live product looked like at the run's end.
inline constexpr const char* kReleaseRecordName = "Updater.release";

// What the live database's header says of it.
struct DatabaseStamp {
  std::int64_t created = 0;           // set when the file was created or restored
  std::int64_t next_transaction = 0;  // only grows while the database is used
  bool operator==(const DatabaseStamp&) const = default;
};

struct ReleaseRecord {
  std::string release;
  std::vector<std::pair<std::string, std::string>> files;  // full path, SHA-256
  std::string database;  // the live database file; empty without a server part
  DatabaseStamp stamp;
  bool operator==(const ReleaseRecord&) const = default;
};

std::string FormatReleaseRecord(const ReleaseRecord& record);
// Nothing when the text is not a whole record.
std::optional<ReleaseRecord> ParseReleaseRecord(const std::string& text);

// Reads the stamp of a database file; nothing when it cannot be read.
using DatabaseProbe = std::function<std::optional<DatabaseStamp>(const std::string& file)>;
// Attaches through the client library with the user and password of `login` to the file
// behind `server_prefix`.
DatabaseProbe ServerDatabaseProbe(db::ConnectionParams login, std::string server_prefix);

// The live files that a release installs, where a run over `product_dir` puts them: the
// client's program and help file, the server's function library (under `fb_root_dir`), and
// the database.
struct ReleaseLayout {
  std::vector<std::string> files;
  std::string database;  // empty without a server part
};
ReleaseLayout LiveReleaseLayout(const ProjectProfile& profile, const std::string& product_dir,
                                const ProductParts& parts, const std::string& fb_root_dir);

enum class ReleaseState {
  None,     // no record, or one that cannot be read
  Current,  // the carried release, and every live file it names is as the run left it
  Other,    // another release
  Changed,  // the carried release, but the product is not as that run left it
};

struct InstalledRelease {
  ReleaseState state = ReleaseState::None;
  std::string release;  // the record's release; empty without a record
  std::string changed;  // the file or database that differs, for Changed
};

// The record in `product_dir` held against `layout`: Current only when it names the carried
// release and exactly the layout's files, each with its recorded content, and the database
// is the one the run left, used since (not put back from before, not restored).
InstalledRelease FindInstalledRelease(const std::string& product_dir, const std::string& carried,
                                      const ReleaseLayout& layout, const DatabaseProbe& probe);

// Removes the record before the first change to the live product; raises Error when one stays.
void ForgetRelease(const std::string& product_dir);

// After a run that went through: records `release` with the digests of the layout's files and
// the stamp of its database. Raises Error when one cannot be read or the record cannot be
// written; no record is left then.
void RememberRelease(const std::string& product_dir, const std::string& release,
                     const ReleaseLayout& layout, const DatabaseProbe& probe);

}  // namespace updater
