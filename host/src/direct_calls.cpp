// The host functions a body calls, for the direct C++ tests and benchmarks, which
// run the bodies without a host: computed by the runtime.
#include "host/stubs.hpp"
#include "runtime/ops.hpp"

namespace xt::host {

rt::Array fliplr(const rt::Array& x) {
  return rt::fliplr(x);
}
rt::Array flipud(const rt::Array& x) {
  return rt::flipud(x);
}

}  // namespace xt::host
