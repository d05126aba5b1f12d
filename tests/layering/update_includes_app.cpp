// Built only by the layering test, which expects the second include to fail: the first shows
// that the layers below update/ are in reach.
#include "update/update_context.h"
#include "app/run_log.h"
