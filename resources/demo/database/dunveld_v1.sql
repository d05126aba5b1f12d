-- The demo product's database at schema version 1, run by isql-fb (scripts/make-demo-product
-- fills in the placeholders). ADMN owns the database and its objects; the roles and the
-- users' privileges are granted partly by ADMN and partly by SYSDBA, as on a real site.

-- ADMN exists and may create databases: admn_user.sql ran first.
create database '@DB@' user 'ADMN' password '@ADMN_PASSWORD@'
  page_size 8192 default character set UTF8;

create table DV_VERSION (
  VERSION_NO integer not null
);

create exception DV_WRONG_VERSION 'This update does not fit the version of the database';

create table CUSTOMERS (
  ID integer not null primary key,
  NAME varchar(100) not null,
  CITY varchar(60),
  CREATED date default current_date not null
);

create table ORDERS (
  ID integer not null primary key,
  CUSTOMER_ID integer not null references CUSTOMERS (ID),
  AMOUNT numeric(12, 2) not null,
  ORDERED date not null
);

create index ORDERS_ORDERED on ORDERS (ORDERED);

set term ^ ;

-- Stops an update script that was written for another version of the database.
create procedure CHECK_VERSIO (EXPECTED integer)
as
declare variable ACTUAL integer;
begin
  select max(VERSION_NO) from DV_VERSION into :ACTUAL;
  if (ACTUAL is distinct from EXPECTED) then
    exception DV_WRONG_VERSION 'The database is at version ' || coalesce(ACTUAL, '?') ||
      ', this update needs version ' || EXPECTED;
end^

-- Version 1: the sum of a customer's orders.
create procedure CUSTOMER_TOTAL (CUSTOMER_ID integer)
returns (TOTAL numeric(15, 2))
as
begin
  select coalesce(sum(AMOUNT), 0) from ORDERS where CUSTOMER_ID = :CUSTOMER_ID into :TOTAL;
  suspend;
end^

set term ; ^

create role DV_MANAGER;
create role DV_CLERK;
commit;

insert into DV_VERSION (VERSION_NO) values (1);

-- Some thousands of rows: 2000 customers in 12 cities, 6000 orders.
set term ^ ;
execute block
as
declare variable I integer = 1;
declare variable CITY_LIST varchar(200) = 'Arnhem,Breda,Delft,Ede,Gouda,Haarlem,Leiden,Oss,Venlo,Zwolle,Assen,Emmen,';
declare variable CITY varchar(60);
declare variable POS integer;
declare variable K integer;
begin
  while (I <= 2000) do
  begin
    K = mod(I * 7, 12);
    POS = 1;
    while (K > 0) do
    begin
      POS = position(',', CITY_LIST, POS) + 1;
      K = K - 1;
    end
    CITY = substring(CITY_LIST from POS for position(',', CITY_LIST, POS) - POS);
    insert into CUSTOMERS (ID, NAME, CITY, CREATED)
      values (:I, 'Customer ' || lpad(:I, 4, '0'), :CITY, dateadd(-mod(:I, 900) day to date '2024-06-30'));
    insert into ORDERS (ID, CUSTOMER_ID, AMOUNT, ORDERED)
      values (:I * 3 - 2, :I, mod(:I * 37, 1000) + 0.5, dateadd(-mod(:I, 300) day to date '2024-12-31'));
    insert into ORDERS (ID, CUSTOMER_ID, AMOUNT, ORDERED)
      values (:I * 3 - 1, :I, mod(:I * 53, 500) + 0.25, dateadd(-mod(:I, 200) day to date '2024-12-31'));
    insert into ORDERS (ID, CUSTOMER_ID, AMOUNT, ORDERED)
      values (:I * 3, :I, mod(:I * 11, 250) + 0.75, dateadd(-mod(:I, 100) day to date '2024-12-31'));
    I = I + 1;
  end
end^
set term ; ^
commit;

-- Granted by ADMN.
grant all on CUSTOMERS to role DV_MANAGER;
grant all on ORDERS to role DV_MANAGER;
grant execute on procedure CUSTOMER_TOTAL to role DV_MANAGER;
grant select on CUSTOMERS to role DV_CLERK;
grant select, insert on ORDERS to role DV_CLERK;
grant DV_MANAGER to user ANNA with admin option;
grant DV_CLERK to user BORIS;
grant DV_CLERK to user CLARA;
grant update (AMOUNT) on ORDERS to user BORIS;
grant execute on procedure CUSTOMER_TOTAL to user BORIS;
commit;

-- Granted by SYSDBA.
-- isql's own CONNECT reads a doubled quote as the string's end: the name in double quotes.
connect "@DB_CONNECT@" user 'SYSDBA' password '@SYSDBA_PASSWORD@';
grant DV_CLERK to user DIRK;
grant select on ORDERS to user CLARA with grant option;
grant delete on ORDERS to user ANNA;
commit;
