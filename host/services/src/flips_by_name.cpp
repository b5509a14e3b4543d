// fliplr and flipud as the library plug-in reaches them: calls of the host functions
// of those names.
#include "host/stubs.hpp"
#include "runtime/services.hpp"

namespace xt::byname {

rt::Array fliplr(const rt::Array& x) {
  return rt::svc::assigned("fliplr", {x});
}
rt::Array flipud(const rt::Array& x) {
  return rt::svc::assigned("flipud", {x});
}

}  // namespace xt::byname
