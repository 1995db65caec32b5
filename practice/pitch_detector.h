#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quavern::practice {

using Samples = std::span<const std::int16_t>;

// Finds the fundamental frequency of one short frame of mono signed 16-bit
// sound with the YIN method (de Cheveigné and Kawahara, 2002): the lag at which
// the frame best matches a copy of itself is its period. Covers kLowestHz, a
// little below a bass's low E1 (41.2 Hz), to kHighestHz, above the C7 (2093 Hz)
// at the top of a flute or violin.
// Holds its working buffers, so one detector analyses many frames without
// allocating; not for several threads.
class PitchDetector {
 public:
  static constexpr double kLowestHz = 38.0;
  static constexpr double kHighestHz = 2300.0;

  explicit PitchDetector(int sampleRate);

  int sampleRate() const { return sampleRate_; }

  // Samples that one estimate reads: the filter's settling, then the integration
  // window plus the longest lag.
  std::size_t frameLength() const;

  // The pitch in hertz of the first frameLength() samples of `frame`, or nothing
  // when they are too quiet or not periodic enough to have one (silence, noise,
  // breath). A shorter frame has no pitch.
  std::optional<double> detect(Samples frame);

 private:
  // Coefficients of the low-pass filter, normalised so that a0 = 1.
  struct LowPass {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
  };
  static LowPass lowPassFor(int sampleRate);

  bool loadFrame(Samples frame);
  void computeDifference();
  void normaliseDifference();
  std::optional<std::size_t> bestLag() const;
  std::size_t firstDipBelow(float threshold) const;
  std::size_t deepestLag() const;
  double refinedLag(std::size_t lag) const;

  int sampleRate_;
  LowPass lowPass_;
  std::size_t settling_;    // input samples the filter runs before the compared part
  std::size_t decimation_;  // input samples per analysed sample
  double analysedRate_;     // samples per second after decimation
  // In analysed samples:
  std::size_t minLag_;             // shortest period looked for
  std::size_t maxLag_;             // longest period looked for
  std::size_t window_;             // samples summed for each lag
  std::vector<float> frame_;       // the compared part, filtered and decimated
  std::vector<float> difference_;  // YIN's d(lag)
  std::vector<float> normalised_;  // d'(lag)
};

}  // namespace quavern::practice
