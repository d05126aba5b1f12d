-- The product's user ADMN in the server's security database, allowed to create databases.
-- Run by isql-fb before dunveld_v1.sql, through a scratch database that it drops again.
create database '@SCRATCH@' user 'SYSDBA' password '@SYSDBA_PASSWORD@';
create or alter user ADMN password '@ADMN_PASSWORD@';
grant create database to user ADMN;
commit;
drop database;

