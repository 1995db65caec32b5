#pragma once

#include <cstdint>

namespace quavern::playback {

// Frequency that stands for silence: a token that names no note still takes its
// full duration, so the rhythm of the song holds.
inline constexpr int kRestHz = 0;

// The four count-in tones, one octave below "f-".
inline constexpr int kCountInHz = 349;

// One step of a play: a steady tone, or a rest, for a number of milliseconds.
struct Tone {
  // A melody note may sound on an instrument; the count-in is always the steady
  // tone, the click a player knows.
  enum class Role : std::uint8_t { kMelody, kCountIn };

  int frequencyHz = kRestHz;
  int durationMs = 0;
  Role role = Role::kMelody;

  bool isRest() const { return frequencyHz == kRestHz; }
  friend bool operator==(const Tone&, const Tone&) = default;
};

// One of the count-in tones that start a play or a practice.
constexpr Tone countInTone(int durationMs) {
  return {kCountInHz, durationMs, Tone::Role::kCountIn};
}

}  // namespace quavern::playback
