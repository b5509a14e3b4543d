// The victim waveform is cleaned of rounding noise only, never of a real signal.
#include "driver/cleaning.hpp"

#include <gtest/gtest.h>

#include "runtime/runtime.hpp"

namespace xt {
namespace {

const rt::Array kThreshold(1e-16);

rt::Array column(std::initializer_list<double> v) {
  return rt::column(v);
}

TEST(WaveformCleaning, RoundingNoiseOfEitherSignIsCleaned) {
  EXPECT_TRUE(isRoundingNoise(column({1e-17, -1e-17, 3e-20, 0, -9.9e-17}), kThreshold));
  EXPECT_TRUE(isRoundingNoise(rt::zeros(4096, 1), kThreshold));
}

TEST(WaveformCleaning, NegativeCrosstalkPulseIsKept) {
  // Every sample below 1e-16 in sign only: a genuine -1 mV pulse.
  EXPECT_FALSE(isRoundingNoise(column({0, -1e-3, -1e-3, -5e-4}), kThreshold));
  EXPECT_FALSE(isRoundingNoise(column({-1e-3, -1e-3}), kThreshold));
}

TEST(WaveformCleaning, OneSampleAtTheThresholdKeepsTheWaveform) {
  EXPECT_FALSE(isRoundingNoise(column({0, 1e-16, 0}), kThreshold));
  EXPECT_FALSE(isRoundingNoise(column({0, -1e-16, 0}), kThreshold));
}

}  // namespace
}  // namespace xt
