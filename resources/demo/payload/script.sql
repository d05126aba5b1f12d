/* DunVeld database update from version 1 to version 2, run as SYSDBA on the working copy.
   The first statement stops the update on a database at any other version. */
execute procedure check_versio(1);

-- Search keys of names come from the product's function library (Dv_UDF_u8.dll), which
-- the update installs into the server's udf folder before this script runs.
declare external function DV_NAME_KEY cstring(200)
  returns integer by value
  entry_point 'dv_name_key' module_name 'Dv_UDF_u8.dll';

-- New table: the cities, taken from the customers' addresses.
create table CITIES (
  ID integer not null primary key,
  NAME varchar(60) not null unique
);
insert into CITIES (ID, NAME)
  select row_number() over (order by CITY), CITY
  from (select distinct CITY from CUSTOMERS where CITY is not null);
-- A table that this transaction has written cannot be referenced by a new constraint.
commit;

-- New columns, filled from what the customers hold.
alter table CUSTOMERS add CITY_ID integer;
alter table CUSTOMERS add NAME_KEY integer;
update CUSTOMERS C
  set CITY_ID = (select ID from CITIES where NAME = C.CITY),
      NAME_KEY = DV_NAME_KEY(C.NAME);
commit;
alter table CUSTOMERS add constraint FK_CUSTOMERS_CITY foreign key (CITY_ID) references CITIES (ID);
create index CUSTOMERS_NAME_KEY on CUSTOMERS (NAME_KEY);

-- Changed procedure: version 2 also counts the orders.
set term ^ ;
alter procedure CUSTOMER_TOTAL (CUSTOMER_ID integer)
returns (TOTAL numeric(15, 2), ORDER_COUNT integer)
as
begin
  select coalesce(sum(AMOUNT), 0), count(*) from ORDERS where CUSTOMER_ID = :CUSTOMER_ID
    into :TOTAL, :ORDER_COUNT;
  suspend;
end^
set term ; ^

-- Privileges on the new table; the users' own privileges come back from Roles.sql.
grant all on CITIES to user ADMN with grant option;
grant all on CITIES to role DV_MANAGER;
grant select on CITIES to role DV_CLERK;

-- Scripts go on after a failed statement: never move a database of another version.
update DV_VERSION set VERSION_NO = 2 where VERSION_NO = 1;
commit;
