#pragma once

#include <functional>
#include <string>

namespace updater::scriptlib {

// What a script needs of its database attachment. Failures throw std::exception with the
// server's message.
class ScriptConnection {
 public:
  virtual ~ScriptConnection() = default;
  // Runs one statement in the current transaction, starting one when none is open; the
  // rows of a query are read and dropped. With `ddl_apart` a metadata statement runs in a
  // transaction of its own that is committed at once, and the open work is left alone.
  virtual void Execute(const std::string& sql, int dialect, bool ddl_apart) = 0;
  // Runs a statement that returns rows; each row comes back as one line, its columns' texts
  // one after another, NULL as nothing.
  virtual void Query(const std::string& sql, int dialect,
                     const std::function<void(const std::string&)>& line) = 0;
  // SET TRANSACTION: the current transaction is committed and the new one started.
  virtual void StartTransaction(const std::string& sql, int dialect) = 0;
  virtual void Commit(bool retain) = 0;
  virtual void Rollback(bool retain) = 0;
  virtual bool InTransaction() const = 0;
};

}  // namespace updater::scriptlib
