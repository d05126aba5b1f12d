#include "update/privilege_cleanup.h"

#include <ibase.h>

#include <cctype>

#include "db/attachment.h"
#include "db/client_library.h"
#include "db/db_connection.h"
#include "db/parameter_block.h"
#include "db/sql_literal.h"
#include "messages/message_text.h"
#include "script/run_script.h"
#include "sys/error.h"

namespace updater {

namespace {

std::string DeleteStatement(const std::string& grantor) {
  return "delete from Rdb$User_Privileges A where A.Rdb$User_Type = 8 and A.Rdb$Grantor = " +
         db::SqlStringLiteral(grantor) +
         " and A.Rdb$User <> 'SYSDBA' and A.Rdb$User <> 'ADMN' and A.Rdb$User <> 'PUBLIC'; "
         "commit;";
}

// The same rows as the delete, each revoked by the user who granted it.
std::string RevokeBlock(const std::string& grantor) {
  return R"(SET TERM ^ ;
execute block as
declare variable grantee varchar(63) character set utf8;
declare variable privilege char(1);
declare variable object_name varchar(63) character set utf8;
declare variable field_name varchar(63) character set utf8;
declare variable object_type smallint;
declare variable what varchar(300) character set utf8;
declare variable statement_text varchar(1000) character set utf8;
begin
  for select trim(p.rdb$user), p.rdb$privilege, trim(p.rdb$relation_name),
             trim(p.rdb$field_name), p.rdb$object_type
      from rdb$user_privileges p
      where p.rdb$user_type = 8 and p.rdb$grantor = )" +
         db::SqlStringLiteral(grantor) + R"(
        and p.rdb$user <> 'SYSDBA' and p.rdb$user <> 'ADMN' and p.rdb$user <> 'PUBLIC'
      into :grantee, :privilege, :object_name, :field_name, :object_type
  do
  begin
    grantee = 'USER "' || replace(grantee, '"', '""') || '"';
    if (privilege = 'M') then
      statement_text = 'REVOKE "' || replace(object_name, '"', '""') || '" FROM ' || grantee;
    else if (privilege in ('C', 'L', 'O')) then
      statement_text = 'REVOKE ' || decode(privilege, 'C', 'CREATE ', 'L', 'ALTER ANY ',
                                           'DROP ANY ') ||
             decode(object_name, 'SQL$TABLES', 'TABLE', 'SQL$VIEWS', 'VIEW',
                    'SQL$PROCEDURES', 'PROCEDURE', 'SQL$FUNCTIONS', 'FUNCTION',
                    'SQL$PACKAGES', 'PACKAGE', 'SQL$GENERATORS', 'SEQUENCE',
                    'SQL$DOMAINS', 'DOMAIN', 'SQL$EXCEPTIONS', 'EXCEPTION',
                    'SQL$ROLES', 'ROLE', 'SQL$CHARSETS', 'CHARACTER SET',
                    'SQL$COLLATIONS', 'COLLATION', 'SQL$FILTERS', 'FILTER') ||
             ' FROM ' || grantee;
    else
    begin
      what = decode(privilege, 'S', 'SELECT', 'I', 'INSERT', 'U', 'UPDATE', 'D', 'DELETE',
                    'R', 'REFERENCES', 'X', 'EXECUTE', 'G', 'USAGE');
      if (field_name is not null) then
        what = what || ' ("' || replace(field_name, '"', '""') || '")';
      statement_text = 'REVOKE ' || what || ' ON ' ||
             decode(object_type, 5, 'PROCEDURE ', 15, 'FUNCTION ', 18, 'PACKAGE ',
                    14, 'SEQUENCE ', 7, 'EXCEPTION ', '') ||
             '"' || replace(object_name, '"', '""') || '" FROM ' || grantee;
    end
    -- A kind without a REVOKE form must not be left behind silently.
    if (statement_text is null) then
      statement_text = cast('Unknown privilege ' || privilege || ' on ' || object_name as integer);
    execute statement statement_text;
  end
end^
SET TERM ; ^
commit;)";
}

}  // namespace

const char* GrantorUserName(PrivilegeGrantor grantor) {
  return grantor == PrivilegeGrantor::Admn ? "ADMN" : "SYSDBA";
}

std::string PrivilegeCleanupScript(PrivilegeGrantor grantor, int server_major_version) {
  const std::string user = GrantorUserName(grantor);
  return server_major_version < 3 ? DeleteStatement(user) : RevokeBlock(user);
}

int ParseServerMajorVersion(std::string_view reply) {
  // isc_info_firebird_version, a two-byte length, a count, then counted strings; the first
  // names the server, as "LI-V3.0.11.33703 Firebird 3.0".
  if (reply.size() < 5 || static_cast<unsigned char>(reply[0]) != isc_info_firebird_version)
    throw Error(GetMessageText(msg::uUpdate_ParseServerMajorVersion_1));
  const std::size_t length = static_cast<unsigned char>(reply[4]);
  const std::string_view first = reply.substr(5, length);
  const std::size_t dash = first.find('-');
  if (dash == std::string_view::npos || dash + 2 >= first.size() ||
      !std::isdigit(static_cast<unsigned char>(first[dash + 2])))
    throw Error(GetMessageText(msg::uUpdate_ParseServerMajorVersion_2, std::string(first)));
  int major = 0;
  for (std::size_t i = dash + 2;
       i < first.size() && std::isdigit(static_cast<unsigned char>(first[i])); ++i)
    major = major * 10 + (first[i] - '0');
  return major;
}

int ServerMajorVersion(const std::string& client_library, const std::string& database,
                       const std::string& user, const std::string& password) {
  db::CheckDBParams(
      {.client_library = client_library, .database = database, .user = user, .password = password});
  const db::ClientApi& api = db::LoadClientApi(client_library);
  db::Attachment attachment(api, database, db::DatabaseParameters(user, password, "UTF8", ""));
  const int major = ParseServerMajorVersion(
      attachment.Info(std::string(1, static_cast<char>(isc_info_firebird_version)), 512));
  attachment.Detach();
  return major;
}

void CleanUpPrivileges(Operator& ui, const std::string& client_library, const std::string& database,
                       const std::string& password, PrivilegeGrantor grantor, Operator* log_target,
                       Progress* progress) {
  const std::string user = GrantorUserName(grantor);
  const int version = ServerMajorVersion(client_library, database, user, password);
  RunScriptText(ui,
                {.client_library = client_library,
                 .database = database,
                 .user = user,
                 .password = password,
                 .charset = "UTF8"},
                PrivilegeCleanupScript(grantor, version), log_target, progress);
}

}  // namespace updater
