#pragma once

namespace quavern::playback {

// Frequency that stands for silence: a token that names no note still takes its
// full duration, so the rhythm of the song holds.
inline constexpr int kRestHz = 0;

// The four count-in tones, one octave below "f-".
inline constexpr int kCountInHz = 349;

// One step of a play: a steady tone, or a rest, for a number of milliseconds.
struct Tone {
  int frequencyHz = kRestHz;
  int durationMs = 0;

  bool isRest() const { return frequencyHz == kRestHz; }
  friend bool operator==(const Tone&, const Tone&) = default;
};

}  // namespace quavern::playback
