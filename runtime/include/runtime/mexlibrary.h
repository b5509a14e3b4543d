/* The record a library plug-in hands its host through `_mexLibrary`.
 *
 * Every field is one word (pointer-sized). The host reads the descriptor once
 * when it loads the library, runs every initialiser before any entry and every
 * finaliser once at unload, registers the library's functions by name, and,
 * while one of the library's functions runs, looks up names in the library's
 * current local function table before its own.
 *
 * The feval entries take arrays as the host's mxArray handles; they are
 * declared with void* here so that this header does not depend on any one
 * host's mex.h.
 */
#ifndef XT_RUNTIME_MEXLIBRARY_H
#define XT_RUNTIME_MEXLIBRARY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* feval entry: (nlhs, plhs, nrhs, prhs) */
typedef void (*mexFevalEntry)(int nlhs, void* plhs[], int nrhs, void* prhs[]);

struct mexLocalFunctionTable;

/* One registered function: five words. */
typedef struct mexFunctionEntry {
  const char* name;
  mexFevalEntry feval;
  intptr_t inputs;
  intptr_t outputs;
  const struct mexLocalFunctionTable* local; /* NULL when it has none */
} mexFunctionEntry;

/* A count and the address of its rows. */
typedef struct mexLocalFunctionTable {
  intptr_t count;
  const mexFunctionEntry* rows;
} mexLocalFunctionTable;

typedef struct mexInitTermPair {
  void (*initialize)(void);
  void (*terminate)(void);
} mexInitTermPair;

/* Nine words: version, function count, function table, four reserved zeros,
 * initialiser/finaliser pair count, initialiser/finaliser table. */
typedef struct mexLibraryDescriptor {
  intptr_t version;
  intptr_t functionCount;
  const mexFunctionEntry* functions;
  intptr_t reserved[4];
  intptr_t initTermCount;
  const mexInitTermPair* initTerm;
} mexLibraryDescriptor;

/* The exported entry `_mexLibrary`. */
typedef const mexLibraryDescriptor* (*mexLibraryFunction)(void);

/* Host service: makes `table` the current local function table and returns the
 * previous one. A host that resolves names for library plug-ins defines it; the
 * plug-in's runtime calls it when the host has it (it is a weak reference) and
 * otherwise keeps the table to itself. */
const mexLocalFunctionTable* mexhostSetLocalFunctionTable(const mexLocalFunctionTable* table)
#if defined(__GNUC__)
    __attribute__((weak))
#endif
    ;

/* Host service: nonzero while the user has asked to stop the running statement
 * (Ctrl-C). Compiled code polls it at safe points (rt::checkInterrupt) and ends
 * the call with an error; a host without it (a weak reference) is never polled. */
int mexhostInterruptPending(void)
#if defined(__GNUC__)
    __attribute__((weak))
#endif
    ;

/* String resources a plug-in may carry for its loader: an exported, NULL-name
 * terminated array named `mexStringResources`. */
typedef struct mexStringResource {
  int id;
  const char* text;
} mexStringResource;

#ifdef __cplusplus
}
#endif

#endif /* XT_RUNTIME_MEXLIBRARY_H */
