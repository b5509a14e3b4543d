// Discrete Fourier transforms through FFTW.
#include <fftw3.h>

#include <complex>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
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

// A plan for one shape of transform, made once and applied to any buffer from
// fftw_malloc (whose alignment is the one it was made for). Plans live until exit
// or until the plug-in holding this copy of the runtime is unloaded; then they are
// destroyed (FFTW itself may still serve another plug-in, so it is not cleaned up).
struct PlanKey {
  std::size_t n, inner, outer;
  int sign;
  bool operator<(const PlanKey& o) const {
    return std::tie(n, inner, outer, sign) < std::tie(o.n, o.inner, o.outer, o.sign);
  }
};

struct PlanCache {
  std::map<PlanKey, fftw_plan> plans;
  PlanCache() = default;
  PlanCache(const PlanCache&) = delete;
  PlanCache& operator=(const PlanCache&) = delete;
  ~PlanCache() {
    for (auto& entry : plans) fftw_destroy_plan(entry.second);
  }
};

fftw_plan planFor(const PlanKey& key, fftw_complex* data) {
  static PlanCache cache;
  std::map<PlanKey, fftw_plan>& plans = cache.plans;
  std::lock_guard<std::mutex> lock(plannerMutex());
  const auto found = plans.find(key);
  if (found != plans.end()) return found->second;
  // `inner` interleaved sequences of length n with stride `inner`, repeated `outer`
  // times.
  fftw_iodim length{static_cast<int>(key.n), static_cast<int>(key.inner),
                    static_cast<int>(key.inner)};
  fftw_iodim howMany[2] = {{static_cast<int>(key.inner), 1, 1},
                           {static_cast<int>(key.outer), static_cast<int>(key.n * key.inner),
                            static_cast<int>(key.n * key.inner)}};
  // FFTW_ESTIMATE plans without touching the data.
  const fftw_plan plan =
      fftw_plan_guru_dft(1, &length, 2, howMany, data, data, key.sign, FFTW_ESTIMATE);
  if (plan != nullptr) plans.emplace(key, plan);
  return plan;
}

struct FftwFree {
  void operator()(fftw_complex* p) const { fftw_free(p); }
};

using Buffer = std::unique_ptr<fftw_complex[], FftwFree>;

Buffer transformBuffer(std::size_t total) {
  checkMemory(2 * total);
  Buffer buffer(fftw_alloc_complex(total));
  if (!buffer) raiseOutOfMemory();
  return buffer;
}

void execute(const PlanKey& key, fftw_complex* data, const char* name) {
  const fftw_plan plan = planFor(key, data);
  if (plan == nullptr) raise(errid::kArgument, std::string(name) + ": no transform plan.");
  fftw_execute_dft(plan, data, data);
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
  const Buffer buffer = transformBuffer(total);
  fftw_complex* data = buffer.get();
  const std::vector<double>& xre = x.re();
  if (x.isComplex()) {
    const std::vector<double>& xim = x.im();
    for (std::size_t i = 0; i < total; ++i) {
      data[i][0] = xre[i];
      data[i][1] = xim[i];
    }
  } else {
    for (std::size_t i = 0; i < total; ++i) {
      data[i][0] = xre[i];
      data[i][1] = 0.0;
    }
  }

  execute({n, inner, outer, sign}, data, name);
  std::vector<double> re(total);
  std::vector<double> im(total);
  const double scale = sign == FFTW_BACKWARD ? 1.0 / static_cast<double>(n) : 1.0;
  for (std::size_t i = 0; i < total; ++i) {
    re[i] = data[i][0] * scale;
    im[i] = data[i][1] * scale;
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

std::vector<double> ifftRealColumns(std::size_t N, std::size_t columns,
                                    const std::function<void(std::size_t, double*)>& fill) {
  const std::size_t total = N * columns;
  if (total == 0) return {};
  const Buffer buffer = transformBuffer(total);
  fftw_complex* data = buffer.get();
  for (std::size_t c = 0; c < columns; ++c) fill(c, &data[c * N][0]);
  // Along the first dimension, as ifft takes an N-by-columns array (N >= 2).
  execute({N, 1, columns, FFTW_BACKWARD}, data, "ifft");
  std::vector<double> re(total);
  const double scale = 1.0 / static_cast<double>(N);
  for (std::size_t i = 0; i < total; ++i) re[i] = data[i][0] * scale;
  return re;
}

}  // namespace rt
