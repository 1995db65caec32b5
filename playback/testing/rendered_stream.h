#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "playback/accompaniment.h"
#include "playback/instrument_layer.h"
#include "playback/sounds.h"
#include "playback/tone.h"

namespace quavern::playback::testing {

// A whole stream of tones, with chords under them, through the synthesis that
// plays them, rendered in chunks of `chunkSize` samples.
std::vector<std::int16_t> renderedStream(const std::vector<Tone>& tones,
                                         const Accompaniment& accompaniment = {},
                                         int sampleRate = 48000, std::size_t chunkSize = 4096);

// The same in `sounds`, with the instruments' ring-out after the last tone, as the
// outputs write it; `notes` stands in for FluidSynth when given.
std::vector<std::int16_t> renderedStreamIn(const StreamSounds& sounds,
                                           const std::vector<Tone>& tones,
                                           const Accompaniment& accompaniment = {},
                                           NoteSource notes = {}, std::size_t chunkSize = 4096);

}  // namespace quavern::playback::testing
