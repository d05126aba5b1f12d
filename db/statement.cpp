#include "db/statement.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "db/client_api.h"
#include "db/firebird_error.h"
#include "db/info_reply.h"

namespace updater::db {

namespace {

// Room for the text form of any number, date or time.
constexpr short kTextFormLength = 64;
constexpr short kInitialColumns = 16;

bool IsQuery(int type) {
  return type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
}

// Days since 17 November 1858 as YYYY-MM-DD (proleptic Gregorian calendar).
std::string FormatDate(ISC_DATE days) {
  // Shift to days since 1 March 0000, then split into 400-year eras.
  long z = static_cast<long>(days) + 678881L;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long day = doy - (153 * mp + 2) / 5 + 1;
  const long month = mp < 10 ? mp + 3 : mp - 9;
  const long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[80];
  std::snprintf(text, sizeof text, "%04ld-%02ld-%02ld", year, month, day);
  return text;
}

// Ten-thousandths of a second since midnight as HH:MM:SS.ffff.
std::string FormatTime(ISC_TIME time) {
  const unsigned long t = time;
  char text[80];
  std::snprintf(text, sizeof text, "%02lu:%02lu:%02lu.%04lu", t / 36000000UL, t / 600000UL % 60,
                t / 10000UL % 60, t % 10000UL);
  return text;
}

// A column value of the client's own layout; the buffer need not be aligned for it.
template <typename T>
T Load(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

void CloseBlob(const ClientApi& api, isc_blob_handle* handle) noexcept {
  Status status;
  api.isc_close_blob(status.get(), handle);
}

using BlobHandle = OwnedHandle<isc_blob_handle, CloseBlob>;

}  // namespace

// An XSQLDA with the buffers its variables point at.
struct Statement::Descriptor {
  explicit Descriptor(short count) { Allocate(count); }

  void Allocate(short count) {
    memory = std::make_unique<std::byte[]>(XSQLDA_LENGTH(count));
    std::memset(memory.get(), 0, XSQLDA_LENGTH(count));
    sqlda()->version = SQLDA_VERSION1;
    sqlda()->sqln = count;
  }
  XSQLDA* sqlda() const { return reinterpret_cast<XSQLDA*>(memory.get()); }
  std::size_t count() const { return static_cast<std::size_t>(sqlda()->sqld); }
  XSQLVAR& var(std::size_t i) const { return sqlda()->sqlvar[i]; }

  // Points every variable at a buffer of its own, with a NULL indicator.
  void Bind() {
    buffers.assign(count(), {});
    indicators.assign(count(), 0);
    for (std::size_t i = 0; i < count(); ++i) {
      XSQLVAR& v = var(i);
      std::size_t size = static_cast<std::size_t>(v.sqllen);
      if ((v.sqltype & ~1) == SQL_VARYING) size += sizeof(ISC_USHORT);
      buffers[i].assign(size == 0 ? 1 : size, '\0');
      v.sqldata = buffers[i].data();
      v.sqlind = &indicators[i];
      v.sqltype = static_cast<short>(v.sqltype | 1);
    }
  }

  std::unique_ptr<std::byte[]> memory;
  std::vector<std::vector<char>> buffers;
  std::vector<short> indicators;
};

Statement::Statement(Attachment& attachment, Transaction& transaction, const std::string& sql,
                     int dialect)
    : attachment_(&attachment), handle_(attachment.api()) {
  const ClientApi& api = attachment.api();
  Status status;
  api.isc_dsql_allocate_statement(status.get(), attachment.handle(), handle_.get());
  status.Check(api, handle_);
  output_ = std::make_unique<Descriptor>(kInitialColumns);
  api.isc_dsql_prepare(status.get(), transaction.handle(), handle_.get(), SqlLength(sql),
                       sql.c_str(), static_cast<unsigned short>(dialect), output_->sqlda());
  status.Check(api);
  if (output_->sqlda()->sqld > output_->sqlda()->sqln) {
    output_->Allocate(output_->sqlda()->sqld);
    api.isc_dsql_describe(status.get(), handle_.get(), SQLDA_VERSION1, output_->sqlda());
    status.Check(api);
  }
  input_ = std::make_unique<Descriptor>(kInitialColumns);
  api.isc_dsql_describe_bind(status.get(), handle_.get(), SQLDA_VERSION1, input_->sqlda());
  status.Check(api);
  if (input_->sqlda()->sqld > input_->sqlda()->sqln) {
    input_->Allocate(input_->sqlda()->sqld);
    api.isc_dsql_describe_bind(status.get(), handle_.get(), SQLDA_VERSION1, input_->sqlda());
    status.Check(api);
  }

  const char items[] = {isc_info_sql_stmt_type};
  char reply[64] = {};
  api.isc_dsql_sql_info(status.get(), handle_.get(), sizeof items, items, sizeof reply, reply);
  status.Check(api);
  type_ = static_cast<int>(
      FindInfoInteger(std::string_view(reply, sizeof reply), isc_info_sql_stmt_type).value_or(0));

  // Numbers come back in the server's text form; dates and times are formatted here,
  // since the server's own conversion gives the old "01-MAR-2024" form.
  for (std::size_t i = 0; i < output_->count(); ++i) {
    XSQLVAR& v = output_->var(i);
    const int base = v.sqltype & ~1;
    if (base != SQL_TEXT && base != SQL_VARYING && base != SQL_BLOB && base != SQL_TYPE_DATE &&
        base != SQL_TYPE_TIME && base != SQL_TIMESTAMP) {
      v.sqltype = SQL_VARYING;
      v.sqllen = kTextFormLength;
      v.sqlscale = 0;
      v.sqlsubtype = 0;
    }
  }
  output_->Bind();
}

Statement::~Statement() = default;
Statement::Statement(Statement&& other) noexcept = default;
Statement& Statement::operator=(Statement&& other) noexcept = default;

std::size_t Statement::parameter_count() const {
  return input_->count();
}

std::string Statement::column_name(std::size_t column) const {
  const XSQLVAR& v = output_->var(column);
  return std::string(v.aliasname, static_cast<std::size_t>(v.aliasname_length));
}

void Statement::Execute(Transaction& transaction, const std::vector<Value>& parameters) {
  const ClientApi& api = attachment_->api();
  if (parameters.size() != input_->count()) {
    throw Error("The statement expects " + std::to_string(input_->count()) + " parameters, but " +
                std::to_string(parameters.size()) + " were given.");
  }
  Status status;
  if (cursor_open_) {
    api.isc_dsql_free_statement(status.get(), handle_.get(), DSQL_close);
    cursor_open_ = false;
  }
  pending_row_ = false;

  std::vector<std::string> texts(parameters.size());
  input_->indicators.assign(parameters.size(), 0);
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    XSQLVAR& v = input_->var(i);
    const int base = v.sqltype & ~1;
    if (base != SQL_TEXT && base != SQL_VARYING) v.sqlsubtype = 0;  // the server converts
    v.sqltype = SQL_TEXT | 1;
    v.sqlscale = 0;
    texts[i] = parameters[i].value_or(std::string());
    if (texts[i].size() > 32767) throw Error("A statement parameter is longer than 32767 bytes.");
    v.sqllen = static_cast<ISC_SHORT>(texts[i].size());
    v.sqldata = texts[i].data();
    input_->indicators[i] = parameters[i] ? 0 : -1;
    v.sqlind = &input_->indicators[i];
  }
  XSQLDA* in = input_->count() != 0 ? input_->sqlda() : nullptr;

  transaction_handle_ = *transaction.handle();
  if (type_ == isc_info_sql_stmt_exec_procedure && output_->count() != 0) {
    api.isc_dsql_execute2(status.get(), transaction.handle(), handle_.get(), SQLDA_VERSION1, in,
                          output_->sqlda());
    status.Check(api);
    pending_row_ = true;
    return;
  }
  api.isc_dsql_execute(status.get(), transaction.handle(), handle_.get(), SQLDA_VERSION1, in);
  status.Check(api);
  cursor_open_ = IsQuery(type_);
}

bool Statement::Fetch() {
  if (pending_row_) {
    pending_row_ = false;
    ReadRow();
    return true;
  }
  if (!cursor_open_) return false;
  const ClientApi& api = attachment_->api();
  Status status;
  const ISC_STATUS result =
      api.isc_dsql_fetch(status.get(), handle_.get(), SQLDA_VERSION1, output_->sqlda());
  if (result == 100) {
    api.isc_dsql_free_statement(status.get(), handle_.get(), DSQL_close);
    cursor_open_ = false;
    return false;
  }
  status.Check(api);
  ReadRow();
  return true;
}

void Statement::SkipRows() {
  pending_row_ = false;
  if (!cursor_open_) return;
  const ClientApi& api = attachment_->api();
  Status status;
  while (api.isc_dsql_fetch(status.get(), handle_.get(), SQLDA_VERSION1, output_->sqlda()) != 100)
    status.Check(api);
  api.isc_dsql_free_statement(status.get(), handle_.get(), DSQL_close);
  cursor_open_ = false;
  status.Check(api);
}

void Statement::ReadRow() {
  row_.assign(output_->count(), std::nullopt);
  for (std::size_t i = 0; i < output_->count(); ++i) {
    const XSQLVAR& v = output_->var(i);
    if (*v.sqlind < 0) continue;
    switch (v.sqltype & ~1) {
      case SQL_VARYING: {
        const auto length = Load<ISC_USHORT>(v.sqldata);
        row_[i] = std::string(v.sqldata + sizeof length, length);
        break;
      }
      case SQL_TYPE_DATE:
        row_[i] = FormatDate(Load<ISC_DATE>(v.sqldata));
        break;
      case SQL_TYPE_TIME:
        row_[i] = FormatTime(Load<ISC_TIME>(v.sqldata));
        break;
      case SQL_TIMESTAMP: {
        const auto stamp = Load<ISC_TIMESTAMP>(v.sqldata);
        row_[i] = FormatDate(stamp.timestamp_date) + " " + FormatTime(stamp.timestamp_time);
        break;
      }
      case SQL_BLOB:
        row_[i] = ReadBlob(Load<ISC_QUAD>(v.sqldata));
        break;
      default:
        row_[i] = std::string(v.sqldata, static_cast<std::size_t>(v.sqllen));
        break;
    }
  }
}

std::string Statement::ReadBlob(ISC_QUAD id) {
  const ClientApi& api = attachment_->api();
  isc_tr_handle transaction = transaction_handle_;
  BlobHandle blob(api);
  Status opened;
  api.isc_open_blob2(opened.get(), attachment_->handle(), &transaction, blob.get(), &id, 0,
                     nullptr);
  opened.Check(api, blob);
  std::string text;
  char segment[32768];
  for (;;) {
    unsigned short length = 0;
    Status status;
    api.isc_get_segment(status.get(), blob.get(), &length, sizeof segment, segment);
    if (status.Failed() && status.get()[1] == isc_segstr_eof) break;
    if (status.Failed() && status.get()[1] != isc_segment) status.Raise(api);
    text.append(segment, length);
  }
  return text;
}

unsigned short SqlLength(const std::string& sql) {
  if (sql.find('\0') != std::string::npos) throw Error("The statement contains a NUL character");
  return sql.size() <= 0xFFFF ? static_cast<unsigned short>(sql.size()) : 0;
}

void ExecuteImmediate(Attachment& attachment, Transaction& transaction, const std::string& sql,
                      int dialect) {
  Status status;
  attachment.api().isc_dsql_execute_immediate(status.get(), attachment.handle(),
                                              transaction.handle(), SqlLength(sql), sql.c_str(),
                                              static_cast<unsigned short>(dialect), nullptr);
  status.Check(attachment.api());
}

}  // namespace updater::db
