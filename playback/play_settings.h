#pragma once

#include <cstdint>

#include "music/chords.h"

namespace quavern::playback {

using music::kFlatSpelling;
using music::kSharpSpelling;

// Note duration in milliseconds for the tempo selector's entry ("60", "80",
// "100", "120"); no entry or any other index plays at 1000 ms.
std::int32_t noteDurationMs(int tempoIndex);

// Passes over the song for the loop selector's entry ("1", "2", "3", "5",
// "10"); any other index gives 1.
std::int32_t loopCountFor(int loopIndex);

// Spelling for the "b - #:" selector's entry; any other index spells flat.
std::int32_t spellingFor(int spellingIndex);

}  // namespace quavern::playback
