/* The insertion engine's C interface: valid C11 and C++20. Only integers, booleans,
 * NUL-terminated UTF-8 strings and opaque pointers cross it. Not thread-safe per engine:
 * serialise every call on one handle. */
#ifndef NALO_CORE_H
#define NALO_CORE_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
/* Nothing unwinds through the interface: an internal fault ends the process instead. */
#define NALO_NOEXCEPT noexcept
extern "C" {
#else
#define NALO_NOEXCEPT
#endif

typedef struct NaloEngine NaloEngine;

/* Returned by value: 24 bytes, 8-byte aligned, native byte order. */
typedef struct NaloInsertResult {
    bool succeeded;    /* 1 when a strategy inserted the text */
    uint32_t winner;   /* strategy code 0, 1 or 2; NALO_WINNER_NONE when none won */
    uint32_t attempts; /* tries made, 0 to 3 */
    uint32_t skipped;  /* strategies the application's profile left out, 0 to 3 */
    char* trace;       /* the decisions, one line each; release with nalo_string_free.
                          NULL when the call was rejected */
} NaloInsertResult;

/* Runs one mechanism: strategy code, the text (valid only during the call), the clipboard
 * restore delay, whether accessibility verification can be trusted, and the caller's context.
 * Returns an outcome code; codes of 6 or more count as a failed try. */
typedef uint32_t (*NaloExecutorFn)(uint32_t strategy, const char* text, uint32_t restore_ms,
                                   bool ax_trusted, void* context);

#define NALO_WINNER_NONE 0xFFFFFFFFu

/* Never NULL; running out of memory ends the process. */
NaloEngine* nalo_engine_new(void) NALO_NOEXCEPT;

/* Rejected (succeeded 0, winner NALO_WINNER_NONE, counts 0, trace NULL, no callback, no profile)
 * when engine, app, text or executor is NULL, when app or text is not valid UTF-8, or when called
 * again on the same engine from inside its own callback. */
NaloInsertResult nalo_engine_insert(NaloEngine* engine, const char* app, const char* text,
                                    NaloExecutorFn executor, void* context) NALO_NOEXCEPT;

/* NULL is ignored. */
void nalo_engine_free(NaloEngine* engine) NALO_NOEXCEPT;

/* 0 for NULL. */
size_t nalo_engine_profile_count(const NaloEngine* engine) NALO_NOEXCEPT;

/* Releases a trace returned by nalo_engine_insert; NULL is ignored. */
void nalo_string_free(char* s) NALO_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* NALO_CORE_H */
