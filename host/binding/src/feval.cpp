// Feval entries: argument counts, absent inputs, output slots.
#include <mex.h>

#include <new>
#include <string>

#include "host/binding.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"
#include "runtime/services.hpp"

namespace xt::binding {

std::string identifier(const Deliverable& d, const Function& f) {
  return f.topLevel ? std::string(d.name) : std::string(d.name) + "/" + f.name;
}

namespace {

std::string countMessage(const Deliverable& d, const Function& f, const char* what, int count) {
  const std::string id = identifier(d, f);
  return "Run-time Error: File: " + id + " Line: " + std::to_string(f.line) +
         " Column: " + std::to_string(d.column) + " The function \"" + id +
         "\" was called with more than the declared number of " + what + " (" +
         std::to_string(count) + ")" + (d.fullStop ? "." : "");
}

}  // namespace

std::string errorId(const Deliverable& d, const char* mnemonic) {
  return std::string(d.name) + ":" + mnemonic;
}

std::string tooManyOutputsMessage(const Deliverable& d, const Function& f) {
  return countMessage(d, f, "outputs", f.outputs);
}

std::string tooManyInputsMessage(const Deliverable& d, const Function& f) {
  return countMessage(d, f, "inputs", f.inputs);
}

void feval(const Deliverable& d, const Function& f, int nlhs, void* plhs[], int nrhs,
           void* const prhs[]) {
  if (nlhs > f.outputs) rt::raise(errorId(d, "tooManyOutputs"), tooManyOutputsMessage(d, f));
  if (nrhs > f.inputs) rt::raise(errorId(d, "tooManyInputs"), tooManyInputsMessage(d, f));
  if (nlhs < 0 || nrhs < 0) rt::raise(errorId(d, "badCall"), "Negative argument count.");

  std::vector<rt::Array> inputs(static_cast<std::size_t>(f.inputs));
  for (int k = 0; k < nrhs; ++k) {
    inputs[static_cast<std::size_t>(k)] = rt::mx::toArray(static_cast<const mxArray*>(prhs[k]));
  }
  std::vector<rt::Array> results;
  if (d.localTable != nullptr) {
    rt::svc::LocalTableScope table(d.localTable);
    results = f.body(nlhs, inputs, nrhs);
  } else {
    results = f.body(nlhs, inputs, nrhs);
  }
  results.resize(static_cast<std::size_t>(f.outputs));
  for (int k = 1; k <= f.outputs && k <= nlhs; ++k) {
    if (!results[static_cast<std::size_t>(k - 1)].isDefined()) {
      rt::raiseUnassignedOutput(f.outputNames[static_cast<std::size_t>(k - 1)], identifier(d, f));
    }
  }
  // Convert every result that goes out before storing any, so a failure leaves the
  // slots as they were.
  std::vector<rt::mx::Owned> out;
  for (int k = 1; k <= f.outputs; ++k) {
    const bool stored = k == 1 || k <= nlhs;
    const rt::Array& r = results[static_cast<std::size_t>(k - 1)];
    out.emplace_back(stored && r.isDefined() ? rt::mx::fromArray(r) : nullptr);
  }
  for (std::size_t k = 0; k < out.size(); ++k) {
    if (out[k]) plhs[k] = out[k].release();
  }
}

const PendingError* callCatching(const Deliverable& d, const std::function<void()>& call) {
  static thread_local PendingError pending;
  try {
    rt::svc::HostWarnings warnings;
    call();
    return nullptr;
  } catch (const rt::Error& e) {
    pending = {e.identifier(), e.message()};
  } catch (const std::bad_alloc&) {
    pending = {errorId(d, "outOfMemory"), "Out of memory."};
  } catch (const std::exception& e) {
    pending = {errorId(d, "internal"), e.what()};
  }
  return &pending;
}

void fevalOutermost(const Deliverable& d, const Function& f, int nlhs, void* plhs[], int nrhs,
                    void* const prhs[]) {
  // Nothing of this frame needs destruction when the host takes the error over.
  const PendingError* error = callCatching(d, [&] { feval(d, f, nlhs, plhs, nrhs, prhs); });
  if (error != nullptr) rt::svc::raiseInHost(error->identifier, error->message);
}

}  // namespace xt::binding
