#pragma once

#include <vector>

#include "music/bars.h"
#include "music/practice_plan.h"
#include "playback/accompaniment.h"
#include "playback/play.h"
#include "playback/sound_output.h"
#include "playback/tone.h"

namespace quavern::playback {

// Everything a practice sounds, on the same timeline as play: the count-in,
// then for each pass the passage sounded when the player listens first, and a
// rest a token while the player plays it; the bars' chords under every note
// of every pass when asked.
struct PracticeStream {
  std::vector<Tone> tones;
  Accompaniment chords;
};

PracticeStream practiceStream(const music::PracticePlan& plan, const ChordsUnder& chordsUnder);

// Sounds the stream, the melody and the chords in `sounds` (the count-in always
// the steady tone); returns when it has been heard, or as soon as whileWaiting asks.
PlayOutcome playPracticeStream(const PracticeStream& stream, SoundOutput& output,
                               WhileWaiting whileWaiting, const StreamSounds& sounds = {});

}  // namespace quavern::playback
