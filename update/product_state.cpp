#include "update/product_state.h"

#include <ibase.h>

#include <sstream>

#include "db/db_connection.h"
#include "messages/message_text.h"
#include "resources/embedded_resource.h"
#include "sys/durable_file.h"
#include "sys/error.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/sha256.h"
#include "update/run_folders.h"

namespace updater {

namespace {

constexpr const char* kHeader = "DunVeld updater release record 1";
constexpr const char* kEnd = "end";

std::optional<std::int64_t> Number(const std::string& text) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoll(text);
}

// The integer of `item` in an info reply: code, two-byte length, little-endian value.
std::optional<std::int64_t> InfoInteger(const std::string& reply, unsigned char item) {
  for (std::size_t i = 0; i + 3 <= reply.size();) {
    const auto code = static_cast<unsigned char>(reply[i]);
    if (code == isc_info_end) break;
    const std::size_t length =
        static_cast<unsigned char>(reply[i + 1]) |
        (static_cast<std::size_t>(static_cast<unsigned char>(reply[i + 2])) << 8);
    if (i + 3 + length > reply.size()) break;
    if (code == item && length >= 1 && length <= 8) {
      std::uint64_t value = 0;
      for (std::size_t k = 0; k < length; ++k)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(reply[i + 3 + k]))
                 << (8 * k);
      return static_cast<std::int64_t>(value);
    }
    i += 3 + length;
  }
  return std::nullopt;
}

}  // namespace

ProductParts FindProductParts(const ProjectProfile& profile, const std::string& product_dir) {
  const std::string dir = FullPath(product_dir);
  return {.has_client = FileExists(JoinPath(JoinPath(dir, kProgramPart), profile.ExeFileName)),
          .has_server = FileExists(JoinPath(JoinPath(dir, kDbDataPart), profile.DbFileName))};
}

std::string CarriedReleaseDigest() {
  // Hashed once: the archive may be tens of megabytes.
  static const std::string digest = [] {
    const auto bytes = FindEmbeddedResource("EXEFILE", "files");
    if (!bytes) return std::string();
    Sha256 sha;
    sha.Update(*bytes);
    return sha.HexDigest();
  }();
  return digest;
}

std::string ShortDigest(const std::string& digest) {
  return digest.substr(0, 12);
}

std::string FormatReleaseRecord(const ReleaseRecord& record) {
  std::string text = std::string(kHeader) + "\n";
  auto add = [&text](const std::string& key, const std::string& value) {
    // A line break would end the value early and the reader would take the rest as a line.
    if (value.find_first_of("\r\n") != std::string::npos)
      throw Error(GetMessageText(msg::uCheck_RecordNotWritten, value));
    text += key + "=" + value + "\n";
  };
  add("release", record.release);
  for (const auto& [path, digest] : record.files) add("file", digest + " " + path);
  if (!record.database.empty()) {
    add("database", record.database);
    add("database_created", std::to_string(record.stamp.created));
    add("database_next_transaction", std::to_string(record.stamp.next_transaction));
  }
  return text + kEnd + "\n";
}

std::optional<ReleaseRecord> ParseReleaseRecord(const std::string& text) {
  if (text.empty() || text.back() != '\n') return std::nullopt;
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return std::nullopt;
  ReleaseRecord record;
  bool created = false;
  bool next = false;
  while (std::getline(in, line)) {
    if (line == kEnd) {
      const bool whole_database = record.database.empty() ? !created && !next : created && next;
      if (std::getline(in, line) || !IsSha256Hex(record.release) || !whole_database)
        return std::nullopt;
      return record;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "release") {
      record.release = value;
    } else if (key == "file") {
      if (value.size() < 66 || value[64] != ' ' || !IsSha256Hex(value.substr(0, 64)))
        return std::nullopt;
      record.files.emplace_back(value.substr(65), value.substr(0, 64));
    } else if (key == "database" && !value.empty()) {
      record.database = value;
    } else if (key == "database_created" && Number(value)) {
      record.stamp.created = *Number(value);
      created = true;
    } else if (key == "database_next_transaction" && Number(value)) {
      record.stamp.next_transaction = *Number(value);
      next = true;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

DatabaseProbe ServerDatabaseProbe(db::ConnectionParams login, std::string server_prefix) {
  return [login = std::move(login), server_prefix = std::move(server_prefix)](
             const std::string& file) -> std::optional<DatabaseStamp> {
    try {
      db::TDBConnection connection(login.client_library, server_prefix + file, login.user,
                                   login.password, "");
      connection.Connect();
      const std::string items = {static_cast<char>(isc_info_creation_date),
                                 static_cast<char>(isc_info_next_transaction),
                                 static_cast<char>(isc_info_end)};
      const std::string reply = connection.attachment().Info(items, 64);
      connection.Disconnect();
      const auto created = InfoInteger(reply, isc_info_creation_date);
      const auto next = InfoInteger(reply, isc_info_next_transaction);
      if (!created || !next) return std::nullopt;
      return DatabaseStamp{*created, *next};
    } catch (const std::exception&) {
      return std::nullopt;
    }
  };
}

ReleaseLayout LiveReleaseLayout(const ProjectProfile& profile, const std::string& product_dir,
                                const ProductParts& parts, const std::string& fb_root_dir) {
  const std::string dir = FullPath(product_dir);
  ReleaseLayout layout;
  if (parts.has_client) {
    const std::string program = JoinPath(dir, kProgramPart);
    layout.files.push_back(JoinPath(program, profile.ExeFileName));
    layout.files.push_back(JoinPath(program, profile.Files.HelpFile));
  }
  if (parts.has_server) {
    layout.files.push_back(InstalledUdfLibrary(profile, fb_root_dir));
    layout.database = JoinPath(JoinPath(dir, kDbDataPart), profile.DbFileName);
  }
  return layout;
}

InstalledRelease FindInstalledRelease(const std::string& product_dir, const std::string& carried,
                                      const ReleaseLayout& layout, const DatabaseProbe& probe) {
  const std::string path = JoinPath(FullPath(product_dir), kReleaseRecordName);
  if (!FileExists(path)) return {};
  const std::optional<ReleaseRecord> record = ParseReleaseRecord(ReadFileText(path).value_or(""));
  if (!record) return {};
  InstalledRelease found{ReleaseState::Other, record->release, ""};
  if (carried.empty() || record->release != carried) return found;
  found.state = ReleaseState::Changed;
  // A record copied with the folder, or of other parts, speaks of other files.
  std::vector<std::string> recorded;
  for (const auto& entry : record->files) recorded.push_back(entry.first);
  if (recorded != layout.files || record->database != layout.database) {
    found.changed = product_dir;
    return found;
  }
  for (const auto& [file, digest] : record->files) {
    if (Sha256OfFile(file) != digest) {
      found.changed = file;
      return found;
    }
  }
  if (!record->database.empty()) {
    // A copy put back from before the run has a smaller transaction counter; a restored or
    // new database another creation stamp.
    const std::optional<DatabaseStamp> stamp = probe ? probe(record->database) : std::nullopt;
    if (!stamp || stamp->created != record->stamp.created ||
        stamp->next_transaction < record->stamp.next_transaction) {
      found.changed = record->database;
      return found;
    }
  }
  found.state = ReleaseState::Current;
  return found;
}

void ForgetRelease(const std::string& product_dir) {
  const std::string path = JoinPath(FullPath(product_dir), kReleaseRecordName);
  if (FileExists(path) && !DeletePath(path))
    throw Error(GetMessageText(msg::uCheck_RecordNotRemoved, path));
}

void RememberRelease(const std::string& product_dir, const std::string& release,
                     const ReleaseLayout& layout, const DatabaseProbe& probe) {
  const std::vector<std::string>& files = layout.files;
  const std::string& database = layout.database;
  const std::string path = JoinPath(FullPath(product_dir), kReleaseRecordName);
  ReleaseRecord record;
  record.release = release;
  for (const std::string& file : files) {
    const std::optional<std::string> digest = Sha256OfFile(file);
    if (!digest) throw Error(GetMessageText(msg::uCheck_RecordNotWritten, file));
    record.files.emplace_back(file, *digest);
  }
  if (!database.empty()) {
    const std::optional<DatabaseStamp> stamp = probe ? probe(database) : std::nullopt;
    if (!stamp) throw Error(GetMessageText(msg::uCheck_RecordNotWritten, database));
    record.database = database;
    record.stamp = *stamp;
  }
  if (!ReplaceFileDurably(path, FormatReleaseRecord(record)))
    throw Error(GetMessageText(msg::uCheck_RecordNotWritten, path));
}

}  // namespace updater
