// Built only by the layering test, which expects the second include to fail: the first shows
// that update/'s public headers and the layers below it are in reach.
#include "update/update_run.h"

#include "app/run_log.h"
