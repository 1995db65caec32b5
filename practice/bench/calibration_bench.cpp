// Measures the cost of estimating an input's delay. The window waits for the
// estimate once the last tone has been heard, so a whole calibration's
// recording (about 8 s) should be read in well under a tenth of a second.
#include <benchmark/benchmark.h>

#include <vector>

#include "music/bar_generator.h"
#include "practice/calibration.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

constexpr std::int64_t kPerMs = kPerformanceRate / 1000;

void EstimateDelayOfOneCalibration(benchmark::State& state) {
  music::SeededDraws draws(3);
  const std::vector<CalibrationTone> tones = calibrationTones(draws);
  constexpr std::int64_t kDelayMs = 37;
  std::vector<double> signal =
      testing::noise(calibrationStreamMs(tones) * kPerMs, 0.003, 9);  // -50 dBFS of hiss
  const std::vector<double> tone =
      testing::render({.hz = kCalibrationToneHz}, kCalibrationToneMs * kPerMs, kPerformanceRate);
  for (const CalibrationTone& due : tones) {
    const std::int64_t start = (due.startMs + kDelayMs) * kPerMs;
    for (std::size_t n = 0; n < tone.size(); ++n) {
      signal[static_cast<std::size_t>(start) + n] += tone[n];
    }
  }
  const std::vector<std::int16_t> recording = testing::toSamples(signal);
  for (auto _ : state) {
    const CalibrationResult result = estimateInputDelay(recording, {0}, tones);
    if (result.delayMs != kDelayMs) {
      state.SkipWithError("the estimate is wrong");
    }
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(EstimateDelayOfOneCalibration)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quavern::practice

BENCHMARK_MAIN();
