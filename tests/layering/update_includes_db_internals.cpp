// Built only by the layering test, which expects the second include to fail: db/ lets its
// callers hold a loaded client, never reach its table of entry points.
#include "db/client_library.h"

#include "db/client_api.h"
