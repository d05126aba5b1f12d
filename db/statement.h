#pragma once

#include <ibase.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/attachment.h"
#include "db/transaction.h"

namespace updater::db {

// A prepared DSQL statement. Parameters go in as texts and column values come out as texts
// (the server converts both ways; text blobs are read whole), NULL as nullopt. Freed when
// the object goes. Move-only; the attachment must outlive it.
class Statement {
 public:
  using Value = std::optional<std::string>;

  Statement(Attachment& attachment, Transaction& transaction, const std::string& sql, int dialect);
  // Defined where Descriptor is complete.
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;

  // isc_info_sql_stmt_select, isc_info_sql_stmt_ddl, ...
  int type() const { return type_; }
  std::size_t parameter_count() const;
  // The column's alias as the server reports it.
  std::string column_name(std::size_t column) const;

  // Runs the statement in `transaction` with one text (or NULL) per parameter. A query's rows
  // are then read with Fetch; a procedure's output row is available to one Fetch.
  void Execute(Transaction& transaction, const std::vector<Value>& parameters = {});
  // The next row into the column values; false after the last row.
  bool Fetch();
  // Reads the remaining rows without converting them (blobs are not opened).
  void SkipRows();
  const Value& value(std::size_t column) const { return row_.at(column); }
  const std::vector<Value>& row() const { return row_; }

 private:
  struct Descriptor;

  void ReadRow();
  std::string ReadBlob(ISC_QUAD id);

  Attachment* attachment_ = nullptr;
  isc_tr_handle transaction_handle_ = 0;
  StatementHandle handle_;
  int type_ = 0;
  std::unique_ptr<Descriptor> input_;
  std::unique_ptr<Descriptor> output_;
  std::vector<Value> row_;
  bool cursor_open_ = false;
  bool pending_row_ = false;
};

// The statement's length for the client calls, so that the client never stops short of its
// end; texts too long for the length field go zero-terminated. A NUL inside is refused.
unsigned short SqlLength(const std::string& sql);

// Runs one statement without preparing it for reuse (DDL, SET GENERATOR, ...).
void ExecuteImmediate(Attachment& attachment, Transaction& transaction, const std::string& sql,
                      int dialect);

}  // namespace updater::db
