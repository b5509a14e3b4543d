/* The array half of the MEX C API, as the embedded host provides it.
 *
 * Names and signatures are those of the public MEX API (separate real and
 * imaginary parts). The embedded host's libmx implements them; a plug-in built
 * against this header runs in the embedded host, the same source built against
 * GNU Octave's mex.h runs in Octave.
 *
 * Ownership: every mxArray* returned by an mxCreate* or mxDuplicateArray call
 * belongs to the caller until it is destroyed with mxDestroyArray or handed to
 * the host (an output slot of mexFunction, or an element stored with mxSetCell,
 * which then belongs to the cell). mxGetCell returns a pointer owned by the cell.
 */
#ifndef MEXHOST_MATRIX_H
#define MEXHOST_MATRIX_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxArray_tag mxArray;
typedef size_t mwSize;
typedef size_t mwIndex;
typedef ptrdiff_t mwSignedIndex;
typedef uint16_t mxChar;
typedef bool mxLogical;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

typedef enum {
  mxUNKNOWN_CLASS = 0,
  mxCELL_CLASS,
  mxSTRUCT_CLASS,
  mxLOGICAL_CLASS,
  mxCHAR_CLASS,
  mxVOID_CLASS,
  mxDOUBLE_CLASS,
  mxSINGLE_CLASS,
  mxINT8_CLASS,
  mxUINT8_CLASS,
  mxINT16_CLASS,
  mxUINT16_CLASS,
  mxINT32_CLASS,
  mxUINT32_CLASS,
  mxINT64_CLASS,
  mxUINT64_CLASS,
  mxFUNCTION_CLASS
} mxClassID;

/* Creation. Double, char, logical and cell arrays exist in this host, and 1-by-1
 * structs (used for the error value of mexCallMATLABWithTrap). */
mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
mxArray* mxCreateDoubleScalar(double value);
mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID classid,
                              mxComplexity complexity);
mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classid, mxComplexity complexity);
mxArray* mxCreateString(const char* utf8);
mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateLogicalScalar(mxLogical value);
mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
mxArray* mxCreateLogicalArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateCellMatrix(mwSize m, mwSize n);
mxArray* mxCreateCellArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** fieldnames);
/* Sparse m-by-n arrays (double or logical) with room for nzmax stored entries, in
 * compressed columns: mxGetPr/mxGetPi/mxGetLogicals hold the values, mxGetIr the
 * row of each, mxGetJc the n+1 column starts (all 0 at creation, so empty). The
 * host language here has no sparse values of its own; these exist for plug-ins
 * and tests that pass such arrays. */
mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity);
mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax);
mxArray* mxDuplicateArray(const mxArray* a);
void mxDestroyArray(mxArray* a);

/* Queries. */
mxClassID mxGetClassID(const mxArray* a);
const char* mxGetClassName(const mxArray* a);
mwSize mxGetM(const mxArray* a);
mwSize mxGetN(const mxArray* a);
mwSize mxGetNumberOfDimensions(const mxArray* a);
const mwSize* mxGetDimensions(const mxArray* a);
size_t mxGetNumberOfElements(const mxArray* a);
bool mxIsChar(const mxArray* a);
bool mxIsComplex(const mxArray* a);
bool mxIsDouble(const mxArray* a);
bool mxIsLogical(const mxArray* a);
bool mxIsCell(const mxArray* a);
bool mxIsNumeric(const mxArray* a);
bool mxIsStruct(const mxArray* a);
bool mxIsEmpty(const mxArray* a);
bool mxIsSparse(const mxArray* a);

/* Data. mxGetPi is NULL for a real array. */
double* mxGetPr(const mxArray* a);
double* mxGetPi(const mxArray* a);
double mxGetScalar(const mxArray* a);
mxChar* mxGetChars(const mxArray* a);
mxLogical* mxGetLogicals(const mxArray* a);
/* Sparse arrays only (NULL or 0 otherwise). */
mwIndex* mxGetIr(const mxArray* a);
mwIndex* mxGetJc(const mxArray* a);
mwSize mxGetNzmax(const mxArray* a);
mxArray* mxGetCell(const mxArray* cell, mwIndex i);
void mxSetCell(mxArray* cell, mwIndex i, mxArray* value);
/* Struct fields: mxGetField returns a pointer owned by the struct (NULL if absent);
 * mxSetField takes ownership of value. */
mxArray* mxGetField(const mxArray* s, mwIndex i, const char* name);
void mxSetField(mxArray* s, mwIndex i, const char* name, mxArray* value);
int mxSetDimensions(mxArray* a, const mwSize* dims, mwSize ndim);

/* A newly allocated UTF-8 copy of a char array (free with mxFree); NULL if not char. */
char* mxArrayToString(const mxArray* a);

/* Memory. */
void* mxMalloc(size_t n);
void* mxCalloc(size_t n, size_t size);
void* mxRealloc(void* p, size_t n);
void mxFree(void* p);

double mxGetEps(void);
double mxGetInf(void);
double mxGetNaN(void);

#ifdef __cplusplus
}
#endif

#endif /* MEXHOST_MATRIX_H */
