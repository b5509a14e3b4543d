// vextral: the classic plug-in. The host enters it through mexFunction on every
// call; it registers its one-row function table for the duration of the call and
// catches every error of the call itself: it closes its catching context, takes
// the table down and passes the error on with its text unchanged.
#include <mex.h>

#include "host/binding.hpp"
#include "runtime/mexlibrary.h"
#include "runtime/services.hpp"

namespace xt {
namespace {

const binding::Deliverable kDeliverable = {"vextral", 0, false, nullptr};

extern "C" void vextralFeval(int nlhs, void* plhs[], int nrhs, void* prhs[]) {
  binding::feval(kDeliverable, binding::kTop, nlhs, plhs, nrhs, prhs);
}

const mexFunctionEntry kFunctionRows[1] = {
    binding::functionRow(kDeliverable, binding::kTop, vextralFeval)};
const mexLocalFunctionTable kFunctionTable = {1, kFunctionRows};

}  // namespace
}  // namespace xt

// The library's string resources, for a loader that lists them.
extern "C" __attribute__((visibility("default"))) const mexStringResource mexStringResources[] = {
    {100, "MATLAB R11 native"}, {101, "not inlined"}, {0, nullptr}};

extern "C" __attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[],
                                                                   int nrhs,
                                                                   const mxArray* prhs[]) {
  // Every error of the call ends here: the catching context is closed and the
  // function table taken down (both by leaving the scope), then the error goes to
  // the host with its text unchanged.
  const xt::binding::PendingError* error = xt::binding::callCatching(xt::kDeliverable, [&] {
    rt::svc::LocalTableScope table(&xt::kFunctionTable);
    xt::vextralFeval(nlhs, reinterpret_cast<void**>(plhs), nrhs,
                     const_cast<void**>(reinterpret_cast<const void* const*>(prhs)));
  });
  if (error != nullptr) rt::svc::raiseInHost(error->identifier, error->message);
}
