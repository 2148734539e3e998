/* Proves the library header is plain C and that a C caller can drive the engine with it alone. */
#include "nalo_core.h"

#include <string.h>

_Static_assert(sizeof(NaloInsertResult) == 24, "result record is 24 bytes");

static uint32_t pasteWins(uint32_t strategy, const char* text, uint32_t restore_ms, bool ax_trusted,
                          void* context) {
    (void)text;
    (void)restore_ms;
    (void)ax_trusted;
    *(int*)context += 1;
    return strategy == 1u ? 5u : 1u;
}

int nalo_c_caller_inserts(void) {
    int calls = 0;
    NaloEngine* engine = nalo_engine_new();
    NaloInsertResult result = nalo_engine_insert(engine, "org.example.c", "from C", pasteWins, &calls);
    int ok = result.succeeded && result.winner == 1u && result.attempts == 2u && calls == 2 &&
             result.trace != NULL &&
             strcmp(result.trace, "accessibility -> Unsupported\npaste -> SucceededUnverified\n"
                                  "inserted via paste\n") == 0;
    nalo_string_free(result.trace);
    nalo_engine_free(engine);
    return ok;
}
