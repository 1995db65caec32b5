#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Measurements on signed 16-bit mono audio, shared by the tests and the
// benchmark: they judge rendered or recorded sound by its properties.
namespace quavern::playback::testing {

using Samples = std::span<const std::int16_t>;

// Frequency from the first and the last upward zero crossing, each placed
// between samples by linear interpolation; accurate to a small fraction of a
// hertz over a few hundred milliseconds of a steady tone.
double measureFrequencyHz(Samples samples, int sampleRate);

double rootMeanSquare(Samples samples);

// Peak amplitude of the sine of `frequencyHz` in `samples`, from one bin of a
// discrete Fourier transform. Exact for a whole number of hertz when the
// samples span a whole second, where other whole-hertz sines do not leak in.
double amplitudeAt(Samples samples, int frequencyHz, int sampleRate);

int peakMagnitude(Samples samples);

// Largest step between neighbouring samples.
int largestStep(Samples samples);

// First sample louder than threshold, or -1.
std::int64_t firstLoudSample(Samples samples, int threshold);

struct QuietRun {
  std::int64_t start = 0;
  std::int64_t length = 0;
};

// Runs of at least minLength samples whose magnitude stays at or below threshold.
std::vector<QuietRun> quietRuns(Samples samples, int threshold, std::int64_t minLength);

// The shift within +-radius samples at which `reference`, laid over `recording`
// from sample `at` on, matches it best (least squared difference).
std::int64_t bestShift(Samples recording, Samples reference, std::int64_t at, std::int64_t radius);

}  // namespace quavern::playback::testing
