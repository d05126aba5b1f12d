#pragma once

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "db/attachment.h"
#include "db/client_api.h"
#include "db/parameter_block.h"
#include "db/statement.h"
#include "db/transaction.h"

namespace updater::testing {

inline constexpr const char* kClientLibrary = "libfbclient.so.2";
inline constexpr const char* kSysdbaPassword = "trelmowask";
inline constexpr const char* kServerPrefix = "localhost/3051:";

// A fresh database on the fixture's server, owned by SYSDBA, dropped at the end.
class ScratchDatabase {
 public:
  using Row = std::vector<std::optional<std::string>>;

  explicit ScratchDatabase(const std::string& name)
      : api_(db::LoadClientApi(kClientLibrary)),
        path_("/var/tmp/updater-test-db/" + name + "_" + std::to_string(getpid()) + ".fdb"),
        connection_(kServerPrefix + path_) {
    if (std::filesystem::exists(path_)) Attach("SYSDBA", kSysdbaPassword).Drop();
    db::Attachment::Create(api_,
                           "CREATE DATABASE '" + connection_ + "' USER 'SYSDBA' PASSWORD '" +
                               kSysdbaPassword + "' DEFAULT CHARACTER SET UTF8",
                           3)
        .Detach();
  }
  ~ScratchDatabase() {
    try {
      Attach("SYSDBA", kSysdbaPassword).Drop();
    } catch (...) {
    }
  }
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  const std::string& connection() const { return connection_; }
  const std::string& path() const { return path_; }

  db::Attachment Attach(const std::string& user, const std::string& password) const {
    return db::Attachment(api_, connection_, db::DatabaseParameters(user, password, "UTF8", ""));
  }

  // Runs statements one by one, each committed, as `user`.
  void Execute(const std::vector<std::string>& statements, const std::string& user = "SYSDBA",
               const std::string& password = kSysdbaPassword) const {
    db::Attachment attachment = Attach(user, password);
    for (const auto& sql : statements) {
      db::Transaction transaction(attachment, db::ParameterBlock());
      db::ExecuteImmediate(attachment, transaction, sql, 3);
      transaction.Commit();
    }
  }

  std::vector<Row> Query(const std::string& sql) const {
    db::Attachment attachment = Attach("SYSDBA", kSysdbaPassword);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::Statement statement(attachment, transaction, sql, 3);
    statement.Execute(transaction);
    std::vector<Row> rows;
    while (statement.Fetch()) rows.push_back(statement.row());
    return rows;
  }

 private:
  const db::ClientApi& api_;
  std::string path_;
  std::string connection_;
};

}  // namespace updater::testing
