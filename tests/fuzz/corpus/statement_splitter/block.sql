execute ibeblock(F = '/tmp/o.txt') output to F returns (l varchar(9)) as declare variable a int; begin a = 1; l = case when a = 1 then 'x;' else 'y' end; suspend; end;
commit;
insert into t values ('open