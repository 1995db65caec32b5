#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "playback/accompaniment.h"
#include "playback/tone.h"

namespace quavern::playback::testing {

// A whole stream of tones, with chords under them, through the synthesis that
// plays them, rendered in chunks of `chunkSize` samples.
std::vector<std::int16_t> renderedStream(const std::vector<Tone>& tones,
                                         const Accompaniment& accompaniment = {},
                                         int sampleRate = 48000, std::size_t chunkSize = 4096);

}  // namespace quavern::playback::testing
