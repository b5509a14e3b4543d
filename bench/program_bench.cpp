// Timings of the driver's numerical pipeline: the pulse spectrum, the line
// parameters (Nj = 200 on the driver's geometry), the frequency-domain solution at
// the 2049 driver frequencies with matched terminations, and the two inverse
// transforms; each alone and all together as one simulation-mode call computes them.
#include <benchmark/benchmark.h>

#include <vector>

#include "driver/ftrapez.hpp"
#include "line/plattm.hpp"
#include "runtime/runtime.hpp"
#include "solver/iffts.hpp"
#include "solver/mtlfd.hpp"

namespace {

constexpr double kTmax = 2.5e-08;

rt::Array driverFrequencies() {
  std::vector<double> f(2049);
  f[0] = 2.220446049250313e-16 / kTmax;
  for (std::size_t k = 1; k < f.size(); ++k) f[k] = static_cast<double>(k) / kTmax;
  return rt::Array::fromData({1, f.size()}, f);
}

struct Pipeline {
  rt::Array f = driverFrequencies();
  rt::Array b = rt::row({1, 0.2, 0.2});
  rt::Array dd = rt::row({-0.2, 0.2});
  rt::Array hh = 0.1;
  rt::Array v0;
  xt::PlattmResult line;
  rt::Array Zc, VS, VL = rt::column({0, 0});
  xt::MtlfdResult spectra;

  void spectrum() { v0 = xt::ftrapez(f, 1e-08, 5e-10, 5e-10); }
  void parameters() { line = xt::plattm(b, dd, hh, 200); }
  void solve() {
    Zc = line.Ltr * 3e8;
    VS = rt::permute(rt::column({1, 0}) * v0, std::vector<std::size_t>{1, 3, 2});
    spectra = xt::mtlfd(f, 0.1, VS, Zc, VL, Zc, line.Ctr, line.Ltr);
  }
  void waveforms() {
    benchmark::DoNotOptimize(xt::iffts(spectra.VFE, kTmax));
    benchmark::DoNotOptimize(xt::iffts(spectra.VNE, kTmax));
  }
};

void BM_Ftrapez(benchmark::State& state) {
  Pipeline p;
  for (auto _ : state) p.spectrum();
}

void BM_Plattm(benchmark::State& state) {
  Pipeline p;
  for (auto _ : state) p.parameters();
}

void BM_Mtlfd(benchmark::State& state) {
  Pipeline p;
  p.spectrum();
  p.parameters();
  for (auto _ : state) p.solve();
}

void BM_TwoIffts(benchmark::State& state) {
  Pipeline p;
  p.spectrum();
  p.parameters();
  p.solve();
  for (auto _ : state) p.waveforms();
}

void BM_DriverCompute(benchmark::State& state) {
  Pipeline p;
  for (auto _ : state) {
    p.spectrum();
    p.parameters();
    p.solve();
    p.waveforms();
  }
}

// Whole-array expressions on tiny values, as the glue between the stages does them:
// the reduction of a 3-by-3 capacitance matrix to the ground strip, and the
// impedances and sources of the 2-by-2 line.
void BM_TinyArrays(benchmark::State& state) {
  const rt::Array C = rt::Array::fromData({3, 3}, {2.1e-11, -1.0e-11, -1.0e-11, -1.0e-11, 4.3e-11,
                                                   -3.7e-12, -1.0e-11, -3.7e-12, 4.3e-11});
  for (auto _ : state) {
    const rt::Array incap = rt::colon(2.0, 3.0);
    const rt::Array ct = rt::ctranspose(rt::sum(rt::ctranspose(C))) * rt::sum(C);
    const rt::Array Ctr = C(incap, incap) - ct(incap, incap) / rt::sum(C(rt::all));
    const rt::Array Ltr = rt::inv(Ctr) / 8.987554305625e16;
    const rt::Array Zc = Ltr * 3e8;
    benchmark::DoNotOptimize(rt::times(Zc, Zc) + rt::column({1, 0}) * rt::row({0.5, 0.5}));
  }
}

BENCHMARK(BM_Ftrapez)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Plattm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mtlfd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoIffts)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DriverCompute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyArrays)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
