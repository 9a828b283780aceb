/* Duktape as Debian configures it, with what the checker's sandbox needs on
 * top: the interrupt counter, so that a page's budget can end its scripts,
 * and recursion limits low enough for a 1 MiB Windows stack. */
#ifndef TIPSTART_DUKTAPE_CONFIG_H
#define TIPSTART_DUKTAPE_CONFIG_H

#include "duk_config.h"

#define DUK_USE_INTERRUPT_COUNTER
#undef DUK_USE_EXEC_TIMEOUT_CHECK
/* Called in the executor's interrupt, where thr->interrupt_init is the number
 * of instructions run since the interrupt before (0 when a call from C
 * starts the executor). */
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) TipstartScriptOverBudget(udata, (long) thr->interrupt_init)
#undef DUK_USE_COMPILER_RECLIMIT
#define DUK_USE_COMPILER_RECLIMIT 400
#undef DUK_USE_NATIVE_CALL_RECLIMIT
#define DUK_USE_NATIVE_CALL_RECLIMIT 200
#undef DUK_USE_REGEXP_COMPILER_RECLIMIT
#define DUK_USE_REGEXP_COMPILER_RECLIMIT 1000
#undef DUK_USE_REGEXP_EXECUTOR_RECLIMIT
#define DUK_USE_REGEXP_EXECUTOR_RECLIMIT 1000
/* Reference counting frees what a page's scripts drop; a full collection,
 * which walks the whole page's elements, runs only when memory runs out. */
#undef DUK_USE_VOLUNTARY_GC

#ifdef __cplusplus
extern "C" {
#endif
/* Whether the page's scripts have used their budget of instructions. */
duk_bool_t TipstartScriptOverBudget(void* udata, long instructions);
#ifdef __cplusplus
}
#endif

#endif
