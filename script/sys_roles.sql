execute ibeblock(Roles_File_Name = 'Roles.sql')
returns (line varchar(1000) character set utf8)
as
declare variable grantee varchar(63) character set utf8;
declare variable privilege char(1);
declare variable grant_option smallint;
declare variable object_name varchar(63) character set utf8;
declare variable field_name varchar(63) character set utf8;
declare variable object_type smallint;
declare variable what varchar(300) character set utf8;
declare variable target varchar(300) character set utf8;
begin
  -- Role memberships and privileges granted to users by ADMN and SYSDBA, as GRANT
  -- statements that ADMN can run back after the update.
  for select trim(p.rdb$user), p.rdb$privilege, coalesce(p.rdb$grant_option, 0),
             trim(p.rdb$relation_name), trim(p.rdb$field_name), p.rdb$object_type
      from rdb$user_privileges p
      where p.rdb$user_type = 8
        and p.rdb$grantor in ('ADMN', 'SYSDBA')
        and p.rdb$user not in ('SYSDBA', 'ADMN', 'PUBLIC')
      order by p.rdb$user, p.rdb$relation_name, p.rdb$privilege, p.rdb$field_name
      into :grantee, :privilege, :grant_option, :object_name, :field_name, :object_type
  do
  begin
    grantee = 'USER "' || replace(grantee, '"', '""') || '"';
    target = '"' || replace(object_name, '"', '""') || '"';
    if (privilege = 'M') then
      line = 'GRANT ' || target || ' TO ' || grantee ||
             iif(grant_option > 0, ' WITH ADMIN OPTION', '') || ';';
    else if (privilege in ('C', 'L', 'O')) then
      line = 'GRANT ' || decode(privilege, 'C', 'CREATE ', 'L', 'ALTER ANY ', 'DROP ANY ') ||
             decode(object_name, 'SQL$TABLES', 'TABLE', 'SQL$VIEWS', 'VIEW',
                    'SQL$PROCEDURES', 'PROCEDURE', 'SQL$FUNCTIONS', 'FUNCTION',
                    'SQL$PACKAGES', 'PACKAGE', 'SQL$GENERATORS', 'SEQUENCE',
                    'SQL$DOMAINS', 'DOMAIN', 'SQL$EXCEPTIONS', 'EXCEPTION',
                    'SQL$ROLES', 'ROLE', 'SQL$CHARSETS', 'CHARACTER SET',
                    'SQL$COLLATIONS', 'COLLATION', 'SQL$FILTERS', 'FILTER') ||
             ' TO ' || grantee || ';';
    else
    begin
      what = decode(privilege, 'S', 'SELECT', 'I', 'INSERT', 'U', 'UPDATE', 'D', 'DELETE',
                    'R', 'REFERENCES', 'X', 'EXECUTE', 'G', 'USAGE');
      if (field_name is not null) then
        what = what || ' ("' || replace(field_name, '"', '""') || '")';
      line = 'GRANT ' || what || ' ON ' ||
             decode(object_type, 5, 'PROCEDURE ', 15, 'FUNCTION ', 18, 'PACKAGE ',
                    14, 'SEQUENCE ', 7, 'EXCEPTION ', '') || target || ' TO ' || grantee ||
             iif(grant_option > 0, ' WITH GRANT OPTION', '') || ';';
    end
    -- An unknown kind leaves the line empty: fail rather than lose the privilege.
    if (line is null) then
      line = cast('Unknown privilege ' || privilege || ' on ' || object_name as integer);
    suspend;
  end
  line = 'COMMIT;';
  suspend;
end;
