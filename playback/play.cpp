#include "playback/play.h"

#include <utility>

#include "music/timeline.h"
#include "music/token_cuts.h"
#include "playback/pitch.h"
#include "playback/play_settings.h"
#include "playback/recording_output.h"

namespace quavern::playback {
namespace {

bool countIn(SoundOutput& output, std::int32_t t) {
  for (std::int64_t q = 0; q < music::kCountInTones; ++q) {
    if (!output.sound(countInTone(t))) {
      return false;
    }
  }
  return true;
}

// One pass over the song: every two-character token of the joined notes; an
// odd last character never sounds.
bool playPass(SoundOutput& output, const std::vector<music::TokenCut>& tokens, std::int32_t t) {
  for (const music::TokenCut& token : tokens) {
    if (!beepsound(output, token.text, t)) {
      return false;
    }
  }
  return true;
}

bool playPasses(SoundOutput& output, const std::vector<music::TokenCut>& tokens, PlayState& state) {
  while (state.loop > 0) {
    if (!playPass(output, tokens, state.t)) {
      return false;
    }
    --state.loop;
  }
  return true;
}

}  // namespace

bool beepsound(SoundOutput& output, std::u16string s2, std::int32_t t) {
  return output.sound({frequencyOf(s2), t});
}

PlayOutcome play(const music::NotesTexts& notes, int tempoIndex, PlayState& state,
                 SoundOutput& output, WhileWaiting whileWaiting, const ChordsUnder& chordsUnder,
                 const StreamSounds& sounds) {
  state.loop_ = state.loop;
  const std::vector<music::TokenCut> tokens = music::cutTokens(notes);
  state.t = noteDurationMs(tempoIndex);

  output.begin(std::move(whileWaiting),
               chordsUnder ? chordSchedule(*chordsUnder, tokens.size(), state.t, state.loop)
                           : Accompaniment{},
               sounds);
  const bool finished = countIn(output, state.t) && playPasses(output, tokens, state);
  output.end();
  state.loop = state.loop_;
  return finished ? PlayOutcome::Finished : PlayOutcome::EndedEarly;
}

std::vector<Tone> playSchedule(const music::NotesTexts& notes, int tempoIndex, std::int32_t loop) {
  RecordingOutput recorder;
  PlayState state;
  state.loop = loop;
  play(notes, tempoIndex, state, recorder);
  return recorder.tones();
}

}  // namespace quavern::playback
