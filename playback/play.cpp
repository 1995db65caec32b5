#include "playback/play.h"

#include <utility>

#include "playback/pitch.h"
#include "playback/play_settings.h"
#include "playback/recording_output.h"

namespace quavern::playback {
namespace {

constexpr int kCountInTones = 4;

std::u16string joinNotes(const music::NotesTexts& notes) {
  std::u16string song;
  for (const std::u16string& bar : notes) {
    song += bar;
  }
  return song;
}

bool countIn(SoundOutput& output, std::int32_t t) {
  for (int q = 0; q < kCountInTones; ++q) {
    if (!output.sound({kCountInHz, t})) {
      return false;
    }
  }
  return true;
}

// One pass over the song. Positions are 1-based and the test is p < length,
// so every token has two characters and an odd last character never sounds.
bool playPass(SoundOutput& output, const std::u16string& s1, std::int32_t t) {
  const auto length = static_cast<std::int64_t>(s1.size());
  for (std::int64_t p = 1; p < length; p += 2) {
    if (!beepsound(output, s1.substr(static_cast<std::size_t>(p - 1), 2), t)) {
      return false;
    }
  }
  return true;
}

bool playPasses(SoundOutput& output, const std::u16string& s1, PlayState& state) {
  while (state.loop > 0) {
    if (!playPass(output, s1, state.t)) {
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
                 SoundOutput& output, WhileWaiting whileWaiting) {
  state.loop_ = state.loop;
  const std::u16string s1 = joinNotes(notes);
  state.t = noteDurationMs(tempoIndex);

  output.begin(std::move(whileWaiting));
  const bool finished = countIn(output, state.t) && playPasses(output, s1, state);
  output.end();
  if (!finished) {
    return PlayOutcome::EndedEarly;
  }
  state.loop = state.loop_;
  return PlayOutcome::Finished;
}

std::vector<Tone> playSchedule(const music::NotesTexts& notes, int tempoIndex, std::int32_t loop) {
  RecordingOutput recorder;
  PlayState state;
  state.loop = loop;
  play(notes, tempoIndex, state, recorder);
  return recorder.tones();
}

}  // namespace quavern::playback
