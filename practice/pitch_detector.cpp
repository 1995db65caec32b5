#include "practice/pitch_detector.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace quavern::practice {
namespace {

// The integration window, as a multiple of the longest period: YIN needs at
// least one whole period of the lowest note inside it.
constexpr double kWindowPerLongestPeriod = 1.25;

// A frame quieter than this has no pitch: -50 dBFS RMS, below any note played
// or sung at the microphone, above the hiss of a quiet room.
constexpr double kQuietestRms = 0.00316;

// YIN's absolute threshold on the normalised difference d'. The first dip below
// it is taken, not the deepest one: at a multiple of the period the match is as
// good, and a dip at half the period (a strong second harmonic) stays well above.
// A tone with noise N below it dips to about N / (S + N): 0.09 at 10 dB SNR.
constexpr float kDipThreshold = 0.15F;

// When nothing dips below kDipThreshold (heavy noise, vibrato within the frame),
// the deepest dip stands for the period if it is below this. Noise and breath
// stay near 1; a tone at about 3 dB SNR reaches here.
constexpr float kAperiodicityLimit = 0.35F;

// In that case the period is the first dip within this of the deepest one, as
// noise makes the dips at one, two and three periods about equally deep.
constexpr float kDipMargin = 0.05F;

// The frame is low-passed before it is compared with itself: the pitch lies in
// its lower partials, while a microphone's hiss spreads over the whole band and
// makes the dip at the period ragged. A second-order Butterworth filter whose
// corner sits just above the highest pitch.
constexpr double kLowPassHz = 3000.0;

// After the low-pass filter every other sample is enough to find the period:
// 24 kHz still has ten samples in a period of the highest pitch, and the
// parabola through the dip places it to a fraction of a cent. It quarters the
// work, which grows with the window times the longest lag.
constexpr double kLowestAnalysedRate = 20000.0;

// Samples the filter runs on before the compared part of the frame starts, so
// that its start from rest has died away (it settles within about a millisecond).
constexpr double kFilterSettlingMs = 2.0;

std::size_t lagForHz(double sampleRate, double hz) {
  return static_cast<std::size_t>(std::lround(sampleRate / hz));
}

std::size_t decimationFor(int sampleRate) {
  return std::max<std::size_t>(1, static_cast<std::size_t>(sampleRate / kLowestAnalysedRate));
}

}  // namespace

// The audio EQ cookbook's low-pass biquad (R. Bristow-Johnson) with Q = 1/sqrt(2).
PitchDetector::LowPass PitchDetector::lowPassFor(int sampleRate) {
  const double corner = 2.0 * std::numbers::pi * kLowPassHz / sampleRate;
  const double alpha = std::sin(corner) / std::numbers::sqrt2;
  const double cosine = std::cos(corner);
  const double a0 = 1.0 + alpha;
  return {.b0 = (1.0 - cosine) / 2.0 / a0,
          .b1 = (1.0 - cosine) / a0,
          .b2 = (1.0 - cosine) / 2.0 / a0,
          .a1 = -2.0 * cosine / a0,
          .a2 = (1.0 - alpha) / a0};
}

PitchDetector::PitchDetector(int sampleRate)
    : sampleRate_(sampleRate),
      lowPass_(lowPassFor(sampleRate)),
      settling_(static_cast<std::size_t>(std::ceil(kFilterSettlingMs * sampleRate / 1000.0))),
      decimation_(decimationFor(sampleRate)),
      analysedRate_(static_cast<double>(sampleRate) / static_cast<double>(decimation_)),
      minLag_(std::max<std::size_t>(2, lagForHz(analysedRate_, kHighestHz))),
      maxLag_(lagForHz(analysedRate_, kLowestHz)),
      window_(static_cast<std::size_t>(
          std::ceil(static_cast<double>(maxLag_) * kWindowPerLongestPeriod))),
      frame_(window_ + maxLag_ + 1),
      difference_(maxLag_ + 2),
      normalised_(maxLag_ + 2) {}

std::size_t PitchDetector::frameLength() const {
  return settling_ + frame_.size() * decimation_;
}

std::optional<double> PitchDetector::detect(Samples frame) {
  if (frame.size() < frameLength() || !loadFrame(frame)) {
    return std::nullopt;
  }
  computeDifference();
  normaliseDifference();
  const std::optional<std::size_t> lag = bestLag();
  if (!lag) {
    return std::nullopt;
  }
  return analysedRate_ / refinedLag(*lag);
}

// Takes the frame as floats in [-1, 1), without its DC offset, low-passed and
// decimated;
// false when it is too quiet to carry a note.
bool PitchDetector::loadFrame(Samples frame) {
  const std::size_t length = frameLength();
  double sum = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    sum += frame[i];
  }
  const double mean = sum / static_cast<double>(length);
  double energy = 0.0;
  double in1 = 0.0, in2 = 0.0, out1 = 0.0, out2 = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    const double in = (frame[i] - mean) / 32768.0;
    const double out = lowPass_.b0 * in + lowPass_.b1 * in1 + lowPass_.b2 * in2 -
                       lowPass_.a1 * out1 - lowPass_.a2 * out2;
    in2 = std::exchange(in1, in);
    out2 = std::exchange(out1, out);
    if (i >= settling_ && (i - settling_) % decimation_ == 0) {
      frame_[(i - settling_) / decimation_] = static_cast<float>(out);
    }
    energy += in * in;
  }
  return std::sqrt(energy / static_cast<double>(length)) >= kQuietestRms;
}

// d(lag) = sum over the window of (x[j] - x[j + lag])^2. The lag runs in the
// inner loop so that each d(lag) is its own accumulator: the compiler can
// vectorise that, where the sum over j would be a serial chain of additions.
void PitchDetector::computeDifference() {
  std::fill(difference_.begin(), difference_.end(), 0.0F);
  const std::size_t lags = difference_.size();
  float* __restrict d = difference_.data();
  for (std::size_t j = 0; j < window_; ++j) {
    const float here = frame_[j];
    const float* __restrict later = frame_.data() + j;
    for (std::size_t lag = 1; lag < lags; ++lag) {
      const float step = here - later[lag];
      d[lag] += step * step;
    }
  }
}

// YIN's cumulative mean normalised difference: d'(lag) = d(lag) / mean of d
// over lags 1..lag, and d'(0) = 1. It stays near 1 for noise and dips towards 0
// at the period, whatever the level.
void PitchDetector::normaliseDifference() {
  normalised_[0] = 1.0F;
  double running = 0.0;
  for (std::size_t lag = 1; lag < difference_.size(); ++lag) {
    running += difference_[lag];
    normalised_[lag] =
        running > 0.0 ? static_cast<float>(difference_[lag] * static_cast<double>(lag) / running)
                      : 1.0F;
  }
}

std::optional<std::size_t> PitchDetector::bestLag() const {
  if (const std::size_t lag = firstDipBelow(kDipThreshold); lag != 0) {
    return lag;
  }
  const std::size_t deepest = deepestLag();
  if (normalised_[deepest] >= kAperiodicityLimit) {
    return std::nullopt;
  }
  return firstDipBelow(normalised_[deepest] + kDipMargin);
}

// The bottom of the first dip of d' below `threshold`, or 0 when there is none.
// The dip is the whole run of lags below the threshold: noise makes its sides
// ragged, and the first little valley on the way down would be short of the period.
std::size_t PitchDetector::firstDipBelow(float threshold) const {
  for (std::size_t lag = minLag_; lag <= maxLag_; ++lag) {
    if (normalised_[lag] < threshold) {
      std::size_t bottom = lag;
      for (; lag <= maxLag_ && normalised_[lag] < threshold; ++lag) {
        if (normalised_[lag] < normalised_[bottom]) {
          bottom = lag;
        }
      }
      return bottom;
    }
  }
  return 0;
}

std::size_t PitchDetector::deepestLag() const {
  const auto first = normalised_.begin() + static_cast<std::ptrdiff_t>(minLag_);
  const auto last = normalised_.begin() + static_cast<std::ptrdiff_t>(maxLag_) + 1;
  return static_cast<std::size_t>(std::min_element(first, last) - normalised_.begin());
}

// The period between samples: the vertex of a parabola through d at the lag and
// its neighbours. d itself is used, not d', whose normalisation tilts the dip.
double PitchDetector::refinedLag(std::size_t lag) const {
  const double before = difference_[lag - 1];
  const double at = difference_[lag];
  const double after = difference_[lag + 1];
  const double curvature = before - 2.0 * at + after;
  const double lagValue = static_cast<double>(lag);
  if (curvature <= 0.0) {
    return lagValue;
  }
  const double shift = 0.5 * (before - after) / curvature;
  return lagValue + std::clamp(shift, -0.5, 0.5);
}

}  // namespace quavern::practice
