// vextrab: the library plug-in. Exports `_mexLibrary`, which hands the host the
// library descriptor: one function, vextrab (3 inputs, 0 outputs), with a local
// function table of the four subfunctions, and one initialiser/finaliser pair
// that makes and destroys the constant table.
#include <mex.h>

#include <array>

#include "host/binding.hpp"
#include "host/constant_table.hpp"
#include "host/literals.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"

namespace xt {
namespace {

using binding::fevalOutermost;

extern "C" void vextrabFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  fevalOutermost(binding::kTop, binding::topBody, nlhs, plhs, nrhs, prhs);
}
extern "C" void ftrapezFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  fevalOutermost(binding::kFtrapez, binding::ftrapezBody, nlhs, plhs, nrhs, prhs);
}
extern "C" void plattmFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  fevalOutermost(binding::kPlattm, binding::plattmBody, nlhs, plhs, nrhs, prhs);
}
extern "C" void mtlfdFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  fevalOutermost(binding::kMtlfd, binding::mtlfdBody, nlhs, plhs, nrhs, prhs);
}
extern "C" void ifftsFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  fevalOutermost(binding::kIffts, binding::ifftsBody, nlhs, plhs, nrhs, prhs);
}

const mexFunctionEntry kLocalRows[4] = {
    {"ftrapez", ftrapezFeval, 4, 1, nullptr},
    {"plattm", plattmFeval, 15, 2, nullptr},
    {"mtlfd", mtlfdFeval, 8, 2, nullptr},
    {"iffts", ifftsFeval, 2, 1, nullptr},
};
const mexLocalFunctionTable kLocalTable = {4, kLocalRows};
const mexFunctionEntry kFunctions[1] = {{"vextrab", vextrabFeval, 3, 0, &kLocalTable}};
const mexInitTermPair kInitTerm[1] = {{initializeConstantTable, terminateConstantTable}};
const mexLibraryDescriptor kDescriptor = {1, 1, kFunctions, {0, 0, 0, 0}, 1, kInitTerm};

const binding::Deliverable kDeliverable = {"vextrab", 1, true, &kLocalTable};

}  // namespace

const binding::Deliverable& binding::deliverable() {
  return kDeliverable;
}

// A literal is read from the constant table, never assigned to.
rt::Array literal(Lit id) {
  return rt::mx::toArray(constantTableEntry(static_cast<int>(id)));
}

}  // namespace xt

extern "C" __attribute__((visibility("default"))) const mexLibraryDescriptor* _mexLibrary() {
  return &xt::kDescriptor;
}
