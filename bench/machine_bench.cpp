// What this machine can do on the kinds of work the driver's computation consists
// of, with library kernels and no program code: the lower bounds that the stage
// timings of program_bench are read against (bench/run.sh prints them side by
// side).
//
//   BM_LU/S          a dense LU with partial pivoting of an S-by-S real matrix,
//                    the factorisation the strip-charge system needs; S = 207, 805,
//                    2007 and 4005 are the system sizes of Nj = 200, 800, 2000 and
//                    4000 on the driver's geometry. Counter: GFLOP/s at 2/3 S^3.
//   BM_Inverse/S     the full inverse from that LU (2 S^3 flops in all).
//   BM_PerFrequency  2049 frequencies, each: four complex exponentials and a
//                    fixed-size 4-by-4 complex solve, the work of a two-conductor
//                    frequency-domain line solution.
//   BM_RealInverseFFT  four real inverse FFTs of 4096 samples from 2049 bins with a
//                    plan made once: the work of the two waveform transforms.
//   BM_Exponentials  3 x 2049 complex exponentials: the work of a closed-form
//                    trapezoid spectrum.
//
// The matrices are random with a dominant diagonal, like the potential matrix of
// the strip method (its diagonal is the largest entry of each row).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <Eigen/Dense>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

Eigen::MatrixXd dominantMatrix(Eigen::Index n) {
  std::mt19937_64 generator(12345);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  Eigen::MatrixXd a(n, n);
  for (Eigen::Index c = 0; c < n; ++c) {
    for (Eigen::Index r = 0; r < n; ++r) a(r, c) = uniform(generator);
  }
  a.diagonal().array() += static_cast<double>(n);
  return a;
}

void setFlopRate(benchmark::State& state, double flopsPerIteration) {
  state.counters["GFLOPs"] =
      benchmark::Counter(flopsPerIteration * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LU(benchmark::State& state) {
  const Eigen::Index n = state.range(0);
  const Eigen::MatrixXd a = dominantMatrix(n);
  Eigen::PartialPivLU<Eigen::MatrixXd> lu(n);
  for (auto _ : state) {
    lu.compute(a);
    benchmark::DoNotOptimize(lu.matrixLU().data());
  }
  const double s = static_cast<double>(n);
  setFlopRate(state, 2.0 / 3.0 * s * s * s);
}

void BM_Inverse(benchmark::State& state) {
  const Eigen::Index n = state.range(0);
  const Eigen::MatrixXd a = dominantMatrix(n);
  Eigen::MatrixXd inverse(n, n);
  for (auto _ : state) {
    inverse = a.partialPivLu().inverse();
    benchmark::DoNotOptimize(inverse.data());
  }
  const double s = static_cast<double>(n);
  setFlopRate(state, 2.0 * s * s * s);
}

constexpr int kFrequencies = 2049;
constexpr int kSamples = 4096;

void BM_PerFrequency(benchmark::State& state) {
  using Matrix4 = Eigen::Matrix<std::complex<double>, 4, 4>;
  using Vector4 = Eigen::Matrix<std::complex<double>, 4, 1>;
  std::vector<double> omega(kFrequencies);
  for (int k = 0; k < kFrequencies; ++k) omega[k] = 2 * std::numbers::pi * (k + 1) / 2.5e-8;
  const double delay[2] = {3.3e-10, 3.4e-10};
  std::vector<Vector4> solutions(kFrequencies);
  for (auto _ : state) {
    for (int k = 0; k < kFrequencies; ++k) {
      Matrix4 m;
      for (int mode = 0; mode < 2; ++mode) {
        const std::complex<double> forward =
            std::exp(std::complex<double>(0, -omega[k] * delay[mode]));
        const std::complex<double> backward =
            std::exp(std::complex<double>(0, omega[k] * delay[mode]));
        m(mode, mode) = forward + 50.0;
        m(mode, mode + 2) = backward - 50.0;
        m(mode + 2, mode) = forward * 0.5;
        m(mode + 2, mode + 2) = backward * 2.0 + 1.0;
        m(mode, 1 - mode) = 0.1 * forward;
        m(mode, 3 - mode) = 0.1 * backward;
        m(mode + 2, 1 - mode) = 0.2;
        m(mode + 2, 3 - mode) = 0.3;
      }
      const Vector4 rhs(1.0, 0.0, 0.0, 0.0);
      solutions[k] = m.partialPivLu().solve(rhs);
    }
    benchmark::DoNotOptimize(solutions.data());
  }
}

void BM_RealInverseFFT(benchmark::State& state) {
  constexpr int kSignals = 4;
  fftw_complex* spectrum = fftw_alloc_complex(kFrequencies);
  double* signal = fftw_alloc_real(kSamples);
  const fftw_plan plan = fftw_plan_dft_c2r_1d(kSamples, spectrum, signal, FFTW_MEASURE);
  for (int k = 0; k < kFrequencies; ++k) {
    spectrum[k][0] = 1.0 / (k + 1);
    spectrum[k][1] = 0.5 / (k + 1);
  }
  for (auto _ : state) {
    for (int s = 0; s < kSignals; ++s) {
      fftw_execute_dft_c2r(plan, spectrum, signal);
      benchmark::DoNotOptimize(signal);
    }
  }
  fftw_destroy_plan(plan);
  fftw_free(signal);
  fftw_free(spectrum);
}

void BM_Exponentials(benchmark::State& state) {
  std::vector<double> omega(kFrequencies);
  for (int k = 0; k < kFrequencies; ++k) omega[k] = 2 * std::numbers::pi * (k + 1) / 2.5e-8;
  std::vector<std::complex<double>> spectrum(kFrequencies);
  const double times[3] = {5e-10, 1e-8, 1.05e-8};
  for (auto _ : state) {
    for (int k = 0; k < kFrequencies; ++k) {
      std::complex<double> sum = 0;
      for (double t : times) sum += std::exp(std::complex<double>(0, -omega[k] * t));
      spectrum[k] = sum / (omega[k] * omega[k]);
    }
    benchmark::DoNotOptimize(spectrum.data());
  }
}

BENCHMARK(BM_LU)->Arg(207)->Arg(805)->Arg(2007)->Arg(4005)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Inverse)->Arg(207)->Arg(805)->Arg(2007)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerFrequency)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealInverseFFT)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Exponentials)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
