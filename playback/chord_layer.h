#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "playback/accompaniment.h"
#include "playback/sine_table.h"

namespace quavern::playback {

// Renders the chords under a stream, sample by sample from stream sample 0:
// four steady sines per chord, each well below the melody, with ramps at the
// chord's edges so a change of chord does not click and two equal chords in a
// row are heard as two.
class ChordLayer {
 public:
  // Each of the four tones at -27 dBFS, about 15 dB below the melody; all four
  // together with the melody stay far from full scale.
  static constexpr double kToneLevel = 0.044668359215096;
  static constexpr int kRampMs = 10;

  explicit ChordLayer(std::shared_ptr<const SineTable> sine);

  // Starts again at stream sample 0 with these chords.
  void reset(const Accompaniment& accompaniment);

  bool silent() const { return spans_.empty(); }

  // Adds the layer's values at the next mix.size() stream samples, in
  // full-scale units, and moves on past them.
  void addTo(std::span<double> mix);

 private:
  struct SampleSpan {
    std::int64_t start = 0;
    std::int64_t length = 0;
    std::int64_t rampLength = 0;
    std::array<int, 4> frequenciesHz{};
  };

  void enterSpan(const SampleSpan& span);
  void addSpanPart(const SampleSpan& span, std::span<double> mix);

  std::shared_ptr<const SineTable> sine_;
  std::vector<SampleSpan> spans_;
  std::size_t current_ = 0;
  std::int64_t position_ = 0;
  std::array<SinePhase, 4> phases_{};
};

}  // namespace quavern::playback
