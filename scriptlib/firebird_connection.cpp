#include "scriptlib/firebird_connection.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "db/firebird_error.h"
#include "db/parameter_block.h"

namespace updater::scriptlib {

namespace {

std::string FirstWords(const std::string& sql, std::size_t count) {
  std::string words;
  std::size_t i = 0;
  for (std::size_t n = 0; n < count; ++n) {
    while (i < sql.size() && static_cast<unsigned char>(sql[i]) <= ' ') ++i;
    const std::size_t begin = i;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i]))) ++i;
    if (i == begin) break;
    if (!words.empty()) words += ' ';
    for (std::size_t k = begin; k < i; ++k)
      words += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[k])));
  }
  return words;
}

bool ContainsWord(const std::string& sql, const char* word) {
  const std::size_t length = std::strlen(word);
  for (std::size_t i = 0; i + length <= sql.size(); ++i) {
    if ((i == 0 || !std::isalnum(static_cast<unsigned char>(sql[i - 1]))) &&
        (i + length == sql.size() || !std::isalnum(static_cast<unsigned char>(sql[i + length]))) &&
        std::equal(word, word + length, sql.begin() + static_cast<std::ptrdiff_t>(i),
                   [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); }))
      return true;
  }
  return false;
}

// Plain data changes without results and metadata changes run in one round trip each.
bool IsPlainChange(const std::string& sql) {
  const std::string head = FirstWords(sql, 1);
  return (head == "INSERT" || head == "UPDATE" || head == "DELETE" || head == "MERGE") &&
         !ContainsWord(sql, "RETURNING");
}

bool IsDdl(const std::string& sql) {
  static const char* const kHeads[] = {"CREATE",  "ALTER",   "RECREATE", "DROP",
                                       "DECLARE", "COMMENT", "GRANT",    "REVOKE"};
  const std::string head = FirstWords(sql, 1);
  return std::any_of(std::begin(kHeads), std::end(kHeads),
                     [&](const char* word) { return head == word; });
}

// The statement's real length, so that the client never stops short of its end; texts too
// long for the length field go as zero-terminated text (a NUL was refused before).
unsigned short SqlLength(const std::string& sql) {
  if (sql.find('\0') != std::string::npos)
    throw std::runtime_error("The statement contains a NUL character");
  return sql.size() <= 0xFFFF ? static_cast<unsigned short>(sql.size()) : 0;
}

db::ParameterBlock MetadataViewParameters() {
  db::ParameterBlock block;
  block.Byte(isc_tpb_version3)
      .Byte(isc_tpb_read)
      .Byte(isc_tpb_read_committed)
      .Byte(isc_tpb_rec_version)
      .Byte(isc_tpb_nowait);
  return block;
}

db::ParameterBlock AttachParameters(const ConnectParams& params) {
  db::ParameterBlock block =
      db::DatabaseParameters(params.user, params.password, params.charset, params.role);
  block.SizedInt32(isc_dpb_sql_dialect, params.dialect);
  return block;
}

struct Sqlda {
  explicit Sqlda(short count)
      : storage(XSQLDA_LENGTH(std::max<short>(count, 1))),
        area(reinterpret_cast<XSQLDA*>(storage.data())) {
    area->version = SQLDA_VERSION1;
    area->sqln = std::max<short>(count, 1);
  }
  std::vector<char> storage;
  XSQLDA* area;
  std::vector<std::vector<char>> data;
  std::vector<short> nulls;
};

}  // namespace

FirebirdConnection::FirebirdConnection(const ConnectParams& params)
    : api_(db::LoadClientApi(params.client_library)),
      attachment_(api_, params.database, AttachParameters(params)) {}

FirebirdConnection::~FirebirdConnection() {
  // The transaction and the attachment end with their members, after the statement.
  if (statement_ != 0) {
    db::Status status;
    api_.isc_dsql_free_statement(status.get(), &statement_, DSQL_drop);
  }
}

void FirebirdConnection::EnsureTransaction() {
  if (!transaction_.active()) transaction_ = db::Transaction(attachment_, db::ParameterBlock());
}

void FirebirdConnection::Commit(bool retain) {
  if (!transaction_.active()) return;
  if (retain) {
    transaction_.CommitRetaining();
  } else {
    transaction_.Commit();
    EndOfTransaction();
  }
}

void FirebirdConnection::Rollback(bool retain) {
  if (!transaction_.active()) return;
  if (retain) {
    transaction_.RollbackRetaining();
  } else {
    transaction_.Rollback();
    EndOfTransaction();
  }
}

void FirebirdConnection::StartTransaction(const std::string& sql, int dialect) {
  Commit(false);
  transaction_ = db::Transaction::StartWithSql(attachment_, sql, dialect);
  EndOfTransaction();
}

void FirebirdConnection::ExecuteImmediate(isc_tr_handle* transaction, const std::string& sql,
                                          int dialect) {
  db::Status status;
  api_.isc_dsql_execute_immediate(status.get(), attachment_.handle(), transaction, SqlLength(sql),
                                  sql.c_str(), static_cast<unsigned short>(dialect), nullptr);
  status.Check(api_);
}

// The way isql runs metadata under AUTODDL: committed on its own, the open work untouched.
void FirebirdConnection::RunDdlApart(const std::string& sql, int dialect) {
  db::Transaction ddl(attachment_, db::ParameterBlock());
  ExecuteImmediate(ddl.handle(), sql, dialect);
  ddl.Commit();
  if (transaction_.active()) metadata_changed_ = true;
}

int FirebirdConnection::Prepare(const std::string& sql, int dialect) {
  db::Status status;
  if (statement_ == 0) {
    api_.isc_dsql_allocate_statement(status.get(), attachment_.handle(), &statement_);
    status.Check(api_);
  }
  if (metadata_changed_) {
    // The script's older transaction would not see what was committed apart since it began.
    db::Transaction metadata(attachment_, MetadataViewParameters());
    api_.isc_dsql_prepare(status.get(), metadata.handle(), &statement_, SqlLength(sql), sql.c_str(),
                          static_cast<unsigned short>(dialect), nullptr);
    status.Check(api_);
    metadata.Commit();
  } else {
    api_.isc_dsql_prepare(status.get(), transaction_.handle(), &statement_, SqlLength(sql),
                          sql.c_str(), static_cast<unsigned short>(dialect), nullptr);
    status.Check(api_);
  }
  const char items[] = {isc_info_sql_stmt_type};
  char answer[16] = {};
  api_.isc_dsql_sql_info(status.get(), &statement_, sizeof items, items, sizeof answer, answer);
  status.Check(api_);
  if (answer[0] != isc_info_sql_stmt_type) return 0;
  const short length = static_cast<short>(
      api_.isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(answer + 1), 2));
  return static_cast<int>(
      api_.isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(answer + 3), length));
}

void FirebirdConnection::Execute(const std::string& sql, int dialect, bool ddl_apart) {
  if (ddl_apart && IsDdl(sql)) {
    RunDdlApart(sql, dialect);
    return;
  }
  EnsureTransaction();
  if (!metadata_changed_ && (IsDdl(sql) || IsPlainChange(sql))) {
    ExecuteImmediate(transaction_.handle(), sql, dialect);
    return;
  }
  const int type = Prepare(sql, dialect);
  if (type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd ||
      type == isc_info_sql_stmt_exec_procedure) {
    Fetch(type, dialect, false, nullptr);
    return;
  }
  if (type == isc_info_sql_stmt_start_trans) {
    StartTransaction(sql, dialect);
    return;
  }
  db::Status status;
  if (type == isc_info_sql_stmt_ddl && ddl_apart) {
    // Metadata that its first words did not show (SET GENERATOR, SET STATISTICS ...).
    db::Transaction ddl(attachment_, db::ParameterBlock());
    api_.isc_dsql_execute(status.get(), ddl.handle(), &statement_,
                          static_cast<unsigned short>(dialect), nullptr);
    status.Check(api_);
    ddl.Commit();
    metadata_changed_ = true;
    return;
  }
  api_.isc_dsql_execute(status.get(), transaction_.handle(), &statement_,
                        static_cast<unsigned short>(dialect), nullptr);
  status.Check(api_);
}

void FirebirdConnection::Query(const std::string& sql, int dialect,
                               const std::function<void(const std::string&)>& line) {
  EnsureTransaction();
  Fetch(Prepare(sql, dialect), dialect, true, &line);
}

// Runs the prepared statement and reads its rows; as text, each row is handed on as a line.
void FirebirdConnection::Fetch(int type, int dialect, bool as_text,
                               const std::function<void(const std::string&)>* line) {
  db::Status status;
  Sqlda out(1);
  api_.isc_dsql_describe(status.get(), &statement_, SQLDA_VERSION1, out.area);
  status.Check(api_);
  if (out.area->sqld > out.area->sqln) {
    Sqlda wider(out.area->sqld);
    api_.isc_dsql_describe(status.get(), &statement_, SQLDA_VERSION1, wider.area);
    status.Check(api_);
    out = std::move(wider);
    out.area = reinterpret_cast<XSQLDA*>(out.storage.data());
  }
  const short columns = out.area->sqld;
  out.data.resize(static_cast<std::size_t>(columns));
  out.nulls.resize(static_cast<std::size_t>(columns));
  for (short i = 0; i < columns; ++i) {
    XSQLVAR& var = out.area->sqlvar[i];
    const int var_type = var.sqltype & ~1;
    if (as_text && var_type != SQL_BLOB) {
      // The server converts every value to text for us.
      var.sqltype = SQL_VARYING + 1;
      var.sqlscale = 0;
      var.sqllen = static_cast<short>(std::max<int>(var.sqllen, 64));
    } else {
      var.sqltype = static_cast<short>(var_type + 1);
    }
    const int size = (var.sqltype & ~1) == SQL_VARYING ? var.sqllen + 2 : var.sqllen;
    out.data[static_cast<std::size_t>(i)].assign(static_cast<std::size_t>(size) + 8, '\0');
    var.sqldata = out.data[static_cast<std::size_t>(i)].data();
    var.sqlind = &out.nulls[static_cast<std::size_t>(i)];
  }

  XSQLDA* out_area = columns > 0 ? out.area : nullptr;
  const bool singleton = type == isc_info_sql_stmt_exec_procedure;
  if (singleton) {
    api_.isc_dsql_execute2(status.get(), transaction_.handle(), &statement_,
                           static_cast<unsigned short>(dialect), nullptr, out_area);
    status.Check(api_);
  } else {
    api_.isc_dsql_execute(status.get(), transaction_.handle(), &statement_,
                          static_cast<unsigned short>(dialect), nullptr);
    status.Check(api_);
  }

  auto emit = [&] {
    if (!as_text) return;
    std::string text;
    for (short i = 0; i < columns; ++i) {
      XSQLVAR& var = out.area->sqlvar[i];
      if (*var.sqlind < 0) continue;
      if ((var.sqltype & ~1) == SQL_BLOB) {
        text += BlobText(reinterpret_cast<ISC_QUAD*>(var.sqldata));
      } else {
        short length = 0;
        std::memcpy(&length, var.sqldata, sizeof length);
        text.append(var.sqldata + 2, static_cast<std::size_t>(std::max<short>(length, 0)));
      }
    }
    (*line)(text);
  };

  if (singleton) {
    if (columns > 0) emit();
    return;
  }
  for (;;) {
    const ISC_STATUS result =
        api_.isc_dsql_fetch(status.get(), &statement_, SQLDA_VERSION1, out_area);
    if (result == 100) break;
    status.Check(api_);
    emit();
  }
  api_.isc_dsql_free_statement(status.get(), &statement_, DSQL_close);
  status.Check(api_);
}

std::string FirebirdConnection::BlobText(ISC_QUAD* id) {
  db::Status status;
  isc_blob_handle blob = 0;
  api_.isc_open_blob2(status.get(), attachment_.handle(), transaction_.handle(), &blob, id, 0,
                      nullptr);
  status.Check(api_);
  std::string text;
  char segment[8192];
  for (;;) {
    unsigned short got = 0;
    const ISC_STATUS result =
        api_.isc_get_segment(status.get(), &blob, &got, sizeof segment, segment);
    if (result != 0 && result != isc_segment) break;
    text.append(segment, got);
  }
  db::Status closing;
  api_.isc_close_blob(closing.get(), &blob);
  if (status.Failed() && status.get()[1] != isc_segstr_eof) status.Check(api_);
  return text;
}

}  // namespace updater::scriptlib
