SET SQL DIALECT 3;
create table t (id int, s varchar(9));
insert into t values (1, 'a;b'); -- c;
/* x; */ commit;
