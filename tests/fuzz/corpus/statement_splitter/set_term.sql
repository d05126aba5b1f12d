set term ^ ;
create procedure p as begin exit; end^
set term ; ^
select q'{a;}' from "T;X";
