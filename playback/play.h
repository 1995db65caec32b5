#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "music/bars.h"
#include "playback/sound_output.h"
#include "playback/tone.h"

namespace quavern::playback {

// The counters that play reads and leaves behind.
struct PlayState {
  std::int32_t t = 60;     // note duration of the last play, milliseconds
  std::int32_t loop = 1;   // passes over the song
  std::int32_t loop_ = 0;  // loop as it was when the last play started
};

enum class PlayOutcome {
  Finished,
  EndedEarly,  // the caller's whileWaiting asked to end it: Escape, or the window closing
};

// The bars' chords to sound under the melody, or none for the melody alone.
using ChordsUnder = std::optional<music::ChordIndexes>;

// Sounds one token for t milliseconds: its pitch, or silence when it names no
// note (text typed by hand, a cut across two note names), so the rhythm holds.
bool beepsound(SoundOutput& output, std::u16string s2, std::int32_t t);

// The play command: the count-in, then every two-character token cut from the
// joined notes texts, `state.loop` times over, with each bar's chord under its
// four notes if asked, the melody and the chords in `sounds`. Returns when the
// last tone has ended, or as soon as whileWaiting asks; either way state.loop is
// as it was when the play started.
PlayOutcome play(const music::NotesTexts& notes, int tempoIndex, PlayState& state,
                 SoundOutput& output, WhileWaiting whileWaiting = {},
                 const ChordsUnder& chordsUnder = std::nullopt, const StreamSounds& sounds = {});

// Every tone that play would sound, in order, without sounding any.
std::vector<Tone> playSchedule(const music::NotesTexts& notes, int tempoIndex, std::int32_t loop);

}  // namespace quavern::playback
