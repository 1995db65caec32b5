#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quavern::practice {

// The instrument the player reads the bars for. A transposing instrument
// sounds lower than written: the bars are the player's written notes.
enum class Transposition {
  C,      // concert pitch
  BFlat,  // sounds a major second lower than written
  EFlat,  // sounds a major sixth lower
  F,      // sounds a perfect fifth lower
};

// Semitones from the written note to the note that sounds: 0, -2, -9, -7.
int soundingMinusWritten(Transposition transposition);

// How strict the judge is, and how the input's timeline lies against the
// stream's.
struct JudgeSettings {
  double pitchWithinCents = 50.0;    // right: within this of the wanted pitch class
  std::int64_t onTimeWithinMs = 80;  // on time: onset within this of the slot's start
  Transposition transposition = Transposition::C;
};

inline constexpr std::array<double, 3> kPitchWithinChoices{50.0, 35.0, 20.0};
inline constexpr std::array<std::int64_t, 3> kOnTimeWithinChoices{150, 80, 40};

}  // namespace quavern::practice
