// vextrab: the library plug-in. Exports `_mexLibrary`, which hands the host the
// library descriptor: one function, vextrab (3 inputs, 0 outputs), with a local
// function table of the four subfunctions, and one initialiser/finaliser pair
// that makes and destroys the constant table (host/constant_table.hpp).
#include <mex.h>

#include "host/binding.hpp"
#include "host/constant_table.hpp"
#include "runtime/mexlibrary.h"

namespace xt {
namespace {

using binding::Function;
using binding::functionRow;

extern const mexLocalFunctionTable kLocalTable;
const binding::Deliverable kDeliverable = {"vextrab", 1, true, &kLocalTable};

// The feval entry of `F` as the host calls it: an outermost entry.
template <const Function& F>
void fevalEntry(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  binding::fevalOutermost(kDeliverable, F, nlhs, plhs, nrhs, prhs);
}

const mexFunctionEntry kLocalRows[4] = {
    functionRow(kDeliverable, binding::kFtrapez, fevalEntry<binding::kFtrapez>),
    functionRow(kDeliverable, binding::kPlattm, fevalEntry<binding::kPlattm>),
    functionRow(kDeliverable, binding::kMtlfd, fevalEntry<binding::kMtlfd>),
    functionRow(kDeliverable, binding::kIffts, fevalEntry<binding::kIffts>),
};
const mexLocalFunctionTable kLocalTable = {4, kLocalRows};
const mexFunctionEntry kFunctions[1] = {
    functionRow(kDeliverable, binding::kTop, fevalEntry<binding::kTop>, &kLocalTable)};
const mexInitTermPair kInitTerm[1] = {{initializeConstantTable, terminateConstantTable}};
const mexLibraryDescriptor kDescriptor = {1, 1, kFunctions, {0, 0, 0, 0}, 1, kInitTerm};

}  // namespace
}  // namespace xt

extern "C" __attribute__((visibility("default"))) const mexLibraryDescriptor* _mexLibrary() {
  return &xt::kDescriptor;
}
