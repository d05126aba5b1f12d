#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/attachment.h"
#include "db/parameter_block.h"
#include "db/statement.h"
#include "db/transaction.h"
#include "seams/platform_names.h"
#include "tests/support/test_database.h"

namespace updater::testing {

inline const char* const kClientLibrary = kPlatformClientLibName;
inline constexpr const char* kSysdbaPassword = kTestSysdbaPassword;

// A fresh test database on the fixture's server, with a way to read it back.
class ScratchDatabase {
 public:
  using Row = std::vector<std::optional<std::string>>;

  explicit ScratchDatabase(const std::string& stem) : database_(stem) {}

  std::string connection() const { return database_.connection_string(); }
  const std::string& path() const { return database_.path(); }

  std::vector<Row> Query(const std::string& sql) const {
    db::Attachment attachment = AttachToTestServer(path(), "SYSDBA", kSysdbaPassword);
    db::Transaction transaction(attachment, db::ParameterBlock());
    db::Statement statement(attachment, transaction, sql, 3);
    statement.Execute(transaction);
    std::vector<Row> rows;
    while (statement.Fetch()) rows.push_back(statement.row());
    return rows;
  }

 private:
  TestDatabase database_;
};

}  // namespace updater::testing
