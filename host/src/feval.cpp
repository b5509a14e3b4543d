// Feval entries: argument counts, absent inputs, output slots.
#include <mex.h>

#include <new>
#include <string>

#include "host/binding.hpp"
#include "runtime/error.hpp"
#include "runtime/mxconvert.hpp"
#include "runtime/services.hpp"

namespace xt::binding {

const Signature kTop = {"vextrab", true, 1, 3, 0, {nullptr, nullptr}};
const Signature kFtrapez = {"ftrapez", false, 91, 4, 1, {"y", nullptr}};
const Signature kPlattm = {"plattm", false, 110, 15, 2, {"Ctr", "Ltr"}};
const Signature kMtlfd = {"mtlfd", false, 279, 8, 2, {"VNE", "VFE"}};
const Signature kIffts = {"iffts", false, 364, 2, 1, {"vt", nullptr}};

std::string identifier(const Deliverable& d, const Signature& s) {
  return s.topLevel ? std::string(d.name) : std::string(d.name) + "/" + s.name;
}

namespace {

std::string countMessage(const Deliverable& d, const Signature& s, const char* what, int count) {
  const std::string id = identifier(d, s);
  return "Run-time Error: File: " + id + " Line: " + std::to_string(s.line) +
         " Column: " + std::to_string(d.column) + " The function \"" + id +
         "\" was called with more than the declared number of " + what + " (" +
         std::to_string(count) + ")" + (d.fullStop ? "." : "");
}

}  // namespace

std::string errorId(const Deliverable& d, const char* mnemonic) {
  return std::string(d.name) + ":" + mnemonic;
}

std::string tooManyOutputsMessage(const Deliverable& d, const Signature& s) {
  return countMessage(d, s, "outputs", s.outputs);
}

std::string tooManyInputsMessage(const Deliverable& d, const Signature& s) {
  return countMessage(d, s, "inputs", s.inputs);
}

void feval(const Signature& s, const Body& body, int nlhs, void* plhs[], int nrhs,
           void* const prhs[]) {
  const Deliverable& d = deliverable();
  if (nlhs > s.outputs) rt::raise(errorId(d, "tooManyOutputs"), tooManyOutputsMessage(d, s));
  if (nrhs > s.inputs) rt::raise(errorId(d, "tooManyInputs"), tooManyInputsMessage(d, s));
  if (nlhs < 0 || nrhs < 0) rt::raise(errorId(d, "badCall"), "Negative argument count.");

  std::vector<rt::Array> inputs(static_cast<std::size_t>(s.inputs));
  for (int k = 0; k < nrhs; ++k) {
    inputs[static_cast<std::size_t>(k)] = rt::mx::toArray(static_cast<const mxArray*>(prhs[k]));
  }
  std::vector<rt::Array> results;
  if (d.localTable != nullptr) {
    rt::svc::LocalTableScope table(d.localTable);
    results = body(nlhs, inputs, nrhs);
  } else {
    results = body(nlhs, inputs, nrhs);
  }
  results.resize(static_cast<std::size_t>(s.outputs));
  for (int k = 1; k <= s.outputs && k <= nlhs; ++k) {
    if (!results[static_cast<std::size_t>(k - 1)].isDefined()) {
      rt::raiseUnassignedOutput(s.outputNames[static_cast<std::size_t>(k - 1)], identifier(d, s));
    }
  }
  // Convert every result that goes out before storing any, so a failure leaves the
  // slots as they were.
  std::vector<rt::mx::Owned> out;
  for (int k = 1; k <= s.outputs; ++k) {
    const bool stored = k == 1 || k <= nlhs;
    const rt::Array& r = results[static_cast<std::size_t>(k - 1)];
    out.emplace_back(stored && r.isDefined() ? rt::mx::fromArray(r) : nullptr);
  }
  for (std::size_t k = 0; k < out.size(); ++k) {
    if (out[k]) plhs[k] = out[k].release();
  }
}

const PendingError* callCatching(const std::function<void()>& call) {
  static thread_local PendingError pending;
  try {
    rt::svc::HostWarnings warnings;
    call();
    return nullptr;
  } catch (const rt::Error& e) {
    pending = {e.identifier(), e.message()};
  } catch (const std::bad_alloc&) {
    pending = {errorId(deliverable(), "outOfMemory"), "Out of memory."};
  } catch (const std::exception& e) {
    pending = {errorId(deliverable(), "internal"), e.what()};
  }
  return &pending;
}

void fevalOutermost(const Signature& s, const Body& body, int nlhs, void* plhs[], int nrhs,
                    void* const prhs[]) {
  // Nothing of this frame needs destruction when the host takes the error over.
  const PendingError* error = callCatching([&] { feval(s, body, nlhs, plhs, nrhs, prhs); });
  if (error != nullptr) rt::svc::raiseInHost(error->identifier, error->message);
}

}  // namespace xt::binding
