// fliplr and flipud computed by the runtime, without a host: the older plug-in
// (vextral) computes them with its own matrix library, and the direct C++ tests and
// benchmarks run the bodies without a host.
#include "host/stubs.hpp"
#include "runtime/ops.hpp"

namespace xt::byname {

rt::Array fliplr(const rt::Array& x) {
  return rt::fliplr(x);
}
rt::Array flipud(const rt::Array& x) {
  return rt::flipud(x);
}

}  // namespace xt::byname
