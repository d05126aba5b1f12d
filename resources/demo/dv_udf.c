/* Dv_UDF_u8: user-defined functions of the DunVeld database, loaded by its Firebird server
   from the "udf" folder of the server's installation.

   DECLARE EXTERNAL FUNCTION DV_NAME_KEY CSTRING(200)
     RETURNS INTEGER BY VALUE
     ENTRY_POINT 'dv_name_key' MODULE_NAME 'Dv_UDF_u8.dll';

   DV_NAME_KEY gives a search key of a name that ignores blanks around it and the case of
   the ASCII letters: FNV-1a of the trimmed, upper-cased bytes, reduced to 31 bits. NULL or
   an empty name gives 0. */

#include <stddef.h>
#include <stdint.h>

int dv_name_key(const char* name);

int dv_name_key(const char* name) {
  if (name == NULL) return 0;
  const char* end = name;
  while (*end != '\0') ++end;
  while (*name == ' ') ++name;
  while (end > name && end[-1] == ' ') --end;
  if (end == name) return 0;
  uint32_t hash = 2166136261u;
  for (const char* p = name; p < end; ++p) {
    unsigned char c = (unsigned char)*p;
    if (c >= 'a' && c <= 'z') c = (unsigned char)(c - 'a' + 'A');
    hash ^= c;
    hash *= 16777619u;
  }
  return (int)(hash & 0x7fffffffu);
}
