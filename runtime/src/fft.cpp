// Discrete Fourier transforms through FFTW.
#include <fftw3.h>

#include <complex>
#include <mutex>
#include <vector>

#include "internal.hpp"
#include "runtime/ops.hpp"

namespace rt {
namespace {

// FFTW's planner is not thread-safe; the host calls us on one thread, but the
// lock keeps the runtime safe to use from tests that run in parallel threads.
std::mutex& plannerMutex() {
  static std::mutex m;
  return m;
}

Array transform(const Array& x, int sign, const char* name) {
  numericOperand(x, name);
  if (x.isEmpty()) return Array::zeros(x.dims());
  std::size_t dim = 1;
  for (std::size_t d = 0; d < x.ndims(); ++d) {
    if (x.dims()[d] != 1) {
      dim = d + 1;
      break;
    }
  }
  std::size_t inner = 1;
  for (std::size_t d = 1; d < dim; ++d) inner *= x.size(d);
  const std::size_t n = x.size(dim);
  std::size_t outer = 1;
  for (std::size_t d = dim + 1; d <= x.ndims(); ++d) outer *= x.size(d);

  const std::size_t total = x.numel();
  std::vector<std::complex<double>> buffer(total);
  for (std::size_t i = 0; i < total; ++i) buffer[i] = x.at(i);
  auto* data = reinterpret_cast<fftw_complex*>(buffer.data());

  // One plan covers every transform of the array: `inner` interleaved
  // sequences of length n with stride `inner`, repeated `outer` times.
  fftw_iodim length{static_cast<int>(n), static_cast<int>(inner), static_cast<int>(inner)};
  fftw_iodim howMany[2] = {
      {static_cast<int>(inner), 1, 1},
      {static_cast<int>(outer), static_cast<int>(n * inner), static_cast<int>(n * inner)}};
  fftw_plan plan;
  {
    std::lock_guard<std::mutex> lock(plannerMutex());
    plan = fftw_plan_guru_dft(1, &length, 2, howMany, data, data, sign, FFTW_ESTIMATE);
  }
  if (plan == nullptr) raise(errid::kArgument, std::string(name) + ": no transform plan.");
  fftw_execute(plan);
  {
    std::lock_guard<std::mutex> lock(plannerMutex());
    fftw_destroy_plan(plan);
  }
  std::vector<double> re(total);
  std::vector<double> im(total);
  const double scale = sign == FFTW_BACKWARD ? 1.0 / static_cast<double>(n) : 1.0;
  for (std::size_t i = 0; i < total; ++i) {
    re[i] = buffer[i].real() * scale;
    im[i] = buffer[i].imag() * scale;
  }
  return makeComplex(x.dims(), std::move(re), std::move(im));
}

}  // namespace

Array ifft(const Array& x) {
  return transform(x, FFTW_BACKWARD, "ifft");
}
Array fft(const Array& x) {
  return transform(x, FFTW_FORWARD, "fft");
}

}  // namespace rt
