#pragma once

#include <cstdint>
#include <optional>

#include "practice/harmonics.h"

namespace quavern::practice {

// A note begun over the last one while that still sounds about as loud (a
// guitar's ring, a room's reverb) mixes with it, and a pitch detector hears
// the last note, or a pitch of neither. The new note's own harmonics are those
// that rose out of the last note's sound.
struct RisenNote {
  double hz = 0.0;
  double levelDbfs = -120.0;  // the power of its harmonics that rose, as an RMS level
};

// Of the notes from lowestHz to highestHz, the one whose harmonics clear of
// `oldHz` rose most from the stretch [beforeFrom, beforeTo), where only the
// last note sounded, to [heldFrom, heldTo), tuned to 5 cents; or `heardHz`,
// the pitch a detector heard, when that rose at least half as much and is no
// subharmonic of it (a third, a fifth, ... whose own harmonics between the
// note's rose little). Nothing when none rose or the samples do not reach.
std::optional<RisenNote> risenNote(const SampleWindow& window, std::int64_t beforeFrom,
                                   std::int64_t beforeTo, std::int64_t heldFrom,
                                   std::int64_t heldTo, std::optional<double> oldHz,
                                   std::optional<double> heardHz, double lowestHz, double highestHz,
                                   int sampleRate);

}  // namespace quavern::practice
