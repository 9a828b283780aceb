/* Debian's Duktape (duktape-dev), compiled with the checker's configuration.
 * The configuration header reads whether Duktape itself is being compiled,
 * so that is said before it is read. */
#define DUK_COMPILING_DUKTAPE
#include "DuktapeConfig.h"
#include "duktape.c"
