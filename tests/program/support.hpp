// Helpers shared by the program's tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "runtime/runtime.hpp"

namespace xt::testing {

inline constexpr double kTmax = 2.5e-08;
inline constexpr double kEps = 2.220446049250313e-16;

// The driver's frequencies: [eps, 1:2048]/tmax, a row.
inline rt::Array driverFrequencies() {
  std::vector<double> f(2049);
  for (std::size_t k = 0; k < f.size(); ++k) f[k] = (k == 0 ? kEps : double(k)) / kTmax;
  return rt::Array::fromData({1, f.size()}, f);
}

inline double maxAbs(const rt::Array& x) {
  double m = 0;
  for (std::size_t i = 0; i < x.numel(); ++i) m = std::max(m, std::abs(x.at(i)));
  return m;
}

// max|actual - expected| / max|expected| over the whole array; sizes must agree.
inline double relDiff(const rt::Array& actual, const rt::Array& expected) {
  if (actual.dims() != expected.dims()) {
    ADD_FAILURE() << rt::dimsToString(actual.dims()) << " vs " << rt::dimsToString(expected.dims());
    return INFINITY;
  }
  double d = 0;
  for (std::size_t i = 0; i < actual.numel(); ++i) {
    d = std::max(d, std::abs(actual.at(i) - expected.at(i)));
  }
  const double scale = maxAbs(expected);
  return scale > 0 ? d / scale : d;
}

// The rt::Error that `call` raises (a test failure if none).
inline rt::Error errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const rt::Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return rt::Error("", "");
}

// The undefined-variable error names the variable in quotes.
inline void expectUndefined(const std::function<void()>& call, const std::string& name) {
  const std::string message = errorOf(call).message();
  EXPECT_NE(message.find("'" + name + "'"), std::string::npos) << message;
}

}  // namespace xt::testing
