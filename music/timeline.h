#pragma once

#include <cstdint>

namespace quavern::music {

// A play or a practice starts with this many count-in tones, one note
// duration each, before the first note of the song.
inline constexpr std::int64_t kCountInTones = 4;

// First sample of the point `ms` milliseconds into a stream. Every tone boundary
// is rounded from the cumulative time, never by adding rounded lengths, so a
// stream of hundreds of tones does not drift whatever the note duration.
// Integer rounding to nearest: exact for any stream length, unlike a double.
constexpr std::int64_t sampleAtMs(std::int64_t ms, int sampleRate) {
  return (ms * sampleRate + 500) / 1000;
}

}  // namespace quavern::music
