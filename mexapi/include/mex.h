/* The host half of the MEX C API, as the embedded host provides it.
 *
 * Names and signatures are those of the public MEX API. Errors raised with
 * mexErrMsgIdAndTxt / mexErrMsgTxt end the current call of the plug-in; the
 * embedded host implements that by a C++ exception that unwinds the plug-in's
 * frames, so a plug-in should raise them only from its outermost entry, after
 * its own locals are gone.
 */
#ifndef MEXHOST_MEX_H
#define MEXHOST_MEX_H

#include "matrix.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MEXHOST 1

/* The entry of a classic plug-in. */
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

/* Calls the host function `name` with nrhs inputs, asking for nlhs results.
 * mexCallMATLAB raises the host's error on failure; mexCallMATLABWithTrap
 * returns NULL on success and otherwise a 1-by-1 struct with the char fields
 * "message" and "identifier", owned by the caller (as GNU Octave does). */
int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name);
mxArray* mexCallMATLABWithTrap(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[],
                               const char* name);

void mexErrMsgIdAndTxt(const char* identifier, const char* fmt, ...);
void mexErrMsgTxt(const char* message);
void mexWarnMsgIdAndTxt(const char* identifier, const char* fmt, ...);
void mexWarnMsgTxt(const char* message);
int mexPrintf(const char* fmt, ...);
int mexEvalString(const char* statement);
int mexAtExit(void (*exitFunction)(void));
/* Keeps an array made during a call alive after the call. This host never frees
 * a plug-in's arrays by itself, so it only accepts the request. */
void mexMakeArrayPersistent(mxArray* a);
const char* mexFunctionName(void);

#ifdef __cplusplus
}
#endif

#endif /* MEXHOST_MEX_H */
