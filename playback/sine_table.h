#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quavern::playback {

// One period of a sine as the synthesis samples it: entry n is
// sin(2 pi n / sampleRate). A tone of a whole number of hertz f takes entry
// (i * f) mod sampleRate at its sample i, so a lookup gives exactly the value
// the sine would, at a fraction of the cost.
class SineTable {
 public:
  explicit SineTable(int sampleRate);
  int sampleRate() const { return static_cast<int>(values_.size()); }
  double operator[](std::int64_t phaseIndex) const {
    return values_[static_cast<std::size_t>(phaseIndex)];
  }

 private:
  std::vector<double> values_;
};

// A sine's place in its period, kept in whole table entries so that it stays
// exact however long the tone and however its rendering is cut into chunks.
class SinePhase {
 public:
  SinePhase() = default;
  SinePhase(int frequencyHz, int sampleRate)
      : step_(((frequencyHz % sampleRate) + sampleRate) % sampleRate), period_(sampleRate) {}

  double valueIn(const SineTable& sine) const { return sine[index_]; }
  void advance() {
    index_ += step_;
    if (index_ >= period_) {
      index_ -= period_;
    }
  }
  void restart() { index_ = 0; }

 private:
  std::int64_t index_ = 0;
  std::int64_t step_ = 0;
  std::int64_t period_ = 1;
};

// Gain of a raised-cosine ramp `fromEdge` samples in from the nearer end of a
// sound, for ramps shorter than `rampLength`: exactly 0 on the first and last
// sample, so neighbouring sounds meet at silence whatever their phase.
double rampGain(std::int64_t fromEdge, std::int64_t rampLength);

// The same, and 1 from rampLength in: the steady part costs no cosine.
inline double edgeGain(std::int64_t fromEdge, std::int64_t rampLength) {
  return fromEdge >= rampLength ? 1.0 : rampGain(fromEdge, rampLength);
}

// Nearest whole sample, halves away from zero, as std::lround gives but inline.
inline std::int16_t roundToSample(double value) {
  return static_cast<std::int16_t>(value >= 0.0 ? static_cast<int>(value + 0.5)
                                                : -static_cast<int>(0.5 - value));
}

inline constexpr double kFullScale = 32767.0;

}  // namespace quavern::playback
