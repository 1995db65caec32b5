#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "playback/tone.h"

namespace quavern::playback {

// First sample of the point `ms` milliseconds into a stream. Every tone boundary
// is rounded from the cumulative time, never by adding rounded lengths, so a
// stream of hundreds of tones does not drift whatever the note duration.
std::int64_t sampleAtMs(std::int64_t ms, int sampleRate);

// One period of a sine as the synthesis samples it: entry n is
// sin(2 pi n / sampleRate). A tone of a whole number of hertz f takes entry
// (i * f) mod sampleRate at its sample i, so a lookup gives exactly the value
// the sine would, at a fraction of the cost.
class SineTable {
 public:
  explicit SineTable(int sampleRate);
  double operator[](std::int64_t phaseIndex) const {
    return values_[static_cast<std::size_t>(phaseIndex)];
  }

 private:
  std::vector<double> values_;
};

// Renders a stream of tones, one after the other with no gap, as signed 16-bit
// mono samples. Knows only its sample rate: no device, and no allocation once
// built, so it can run offline as well as feed a sound card.
class ToneSynth {
 public:
  // Peak amplitude, -12 dBFS: loud enough to hear, far from clipping.
  static constexpr double kLevel = 0.25118864315095801;
  // Attack and release in milliseconds. Long enough that a tone neither starts
  // nor stops with a click, short enough that the steady part dominates; the
  // release followed by the next attack is the dip that lets two equal notes in
  // a row be heard as two.
  static constexpr int kRampMs = 5;

  explicit ToneSynth(int sampleRate);

  int sampleRate() const { return sampleRate_; }

  // Starts the next tone of the stream where the previous one ended.
  void startTone(Tone tone);

  // Writes the next samples of the current tone into `out`; returns how many,
  // fewer than out.size() only when the tone ends. Chunked rendering gives the
  // same samples as rendering a tone in one go.
  std::size_t render(std::span<std::int16_t> out);

  std::int64_t samplesLeft() const { return toneLength_ - position_; }

  // Milliseconds from the start of the stream to the end of the current tone.
  std::int64_t streamMs() const { return streamMs_; }

  // Stream sample at which the current tone started.
  std::int64_t toneStartSample() const { return toneStart_; }

  // Goes back to the start of a new stream.
  void reset();

 private:
  double envelopeAt(std::int64_t index) const;

  int sampleRate_;
  std::shared_ptr<const SineTable> sine_;
  std::int64_t streamMs_ = 0;
  std::int64_t toneStart_ = 0;
  std::int64_t toneLength_ = 0;
  std::int64_t position_ = 0;
  std::int64_t rampLength_ = 0;
  // Where the current sample lies in the sine's period, kept in integers so it
  // stays exact however long the tone and however it is cut into chunks.
  std::int64_t phaseIndex_ = 0;
  std::int64_t phaseStep_ = 0;  // frequency reduced into one period
  int frequencyHz_ = kRestHz;
};

}  // namespace quavern::playback
