#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/bars.h"

namespace quavern::playback {

// One chord sounding under the melody: its four tones (root, third, fifth,
// minor seventh, in the octave below the melody's) from startMs to endMs of
// the stream, on the same millisecond grid as the melody's tones.
struct ChordSpan {
  std::int64_t startMs = 0;
  std::int64_t endMs = 0;
  std::array<int, 4> frequenciesHz{};

  friend bool operator==(const ChordSpan&, const ChordSpan&) = default;
};

// The chords under a whole play, in stream order, never overlapping.
using Accompaniment = std::vector<ChordSpan>;

// The four tones of a chord index (0 to 23) in hertz, each in the octave from
// 262 to 494 Hz, equal-tempered with A = 440 Hz.
std::array<int, 4> chordFrequencies(int chordIndex);

// Each bar's chord under every pass of a play: after the count-in, bar k of a
// pass covers the pass's tokens 4k to 4k + 3 (counted from 0), whatever its
// notes text holds, and ends with the pass if the pass runs out of tokens
// first. A bar without a chord is silent underneath; the count-in sounds alone.
Accompaniment chordSchedule(const music::ChordIndexes& chords, std::size_t tokensPerPass,
                            std::int32_t t, std::int32_t passes);

}  // namespace quavern::playback
