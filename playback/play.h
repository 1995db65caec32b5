#pragma once

#include <array>
#include <cstdint>
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
  EndedEarly,  // the caller's whileWaiting asked to stop, e.g. the window is closing
};

// Sounds one token for t milliseconds: its pitch, or silence when it names no
// note (text typed by hand, a cut across two note names), so the rhythm holds.
bool beepsound(SoundOutput& output, std::u16string s2, std::int32_t t);

// The play command: the count-in, then every two-character token cut from the
// joined notes texts, `state.loop` times over. Returns when the last tone has
// ended. state.loop is restored when the play finishes but not when it ends
// early, as with any failure in the middle of a play.
PlayOutcome play(const music::NotesTexts& notes, int tempoIndex, PlayState& state,
                 SoundOutput& output, WhileWaiting whileWaiting = {});

// Every tone that play would sound, in order, without sounding any.
std::vector<Tone> playSchedule(const music::NotesTexts& notes, int tempoIndex, std::int32_t loop);

}  // namespace quavern::playback
