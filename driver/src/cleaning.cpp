#include "driver/cleaning.hpp"

#include "runtime/ops.hpp"

namespace xt {

bool isRoundingNoise(const rt::Array& column, const rt::Array& threshold) {
  return rt::isTrue(rt::allOf(rt::lt(rt::abs(column), threshold)));
}

}  // namespace xt
