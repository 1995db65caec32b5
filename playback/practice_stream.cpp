#include "playback/practice_stream.h"

#include <utility>

#include "playback/pitch.h"

namespace quavern::playback {
namespace {

std::int32_t lengthMs(std::int64_t startMs, std::int64_t endMs) {
  return static_cast<std::int32_t>(endMs - startMs);
}

void addCountIn(const music::PracticePlan& plan, std::vector<Tone>& tones) {
  for (std::size_t k = 0; k + 1 < plan.countInMs.size(); ++k) {
    tones.push_back(countInTone(lengthMs(plan.countInMs[k], plan.countInMs[k + 1])));
  }
}

void addNotes(const std::vector<music::PlannedNote>& notes, bool sounded,
              std::vector<Tone>& tones) {
  for (const music::PlannedNote& note : notes) {
    const int hz = sounded ? frequencyOf(note.token.text) : kRestHz;
    tones.push_back({hz, lengthMs(note.startMs, note.endMs)});
  }
}

// A bar's chord lasts through the notes of that bar of the pass, as in play:
// token k of a pass over the song lies under the chord of bar k / 4.
void addChords(const std::vector<music::PlannedNote>& notes, const music::ChordIndexes& chords,
               Accompaniment& spans) {
  constexpr std::size_t kTokensPerChord = 4;
  std::size_t spanBar = music::kBarCount;
  for (const music::PlannedNote& note : notes) {
    const std::size_t bar = note.songIndex / kTokensPerChord;
    if (bar >= music::kBarCount || chords[bar] < 0) {
      spanBar = music::kBarCount;
      continue;
    }
    if (bar == spanBar && !spans.empty() && spans.back().endMs == note.startMs) {
      spans.back().endMs = note.endMs;
      continue;
    }
    spans.push_back({note.startMs, note.endMs, chordFrequencies(chords[bar])});
    spanBar = bar;
  }
}

}  // namespace

PracticeStream practiceStream(const music::PracticePlan& plan, const ChordsUnder& chordsUnder) {
  PracticeStream stream;
  addCountIn(plan, stream.tones);
  for (const music::PlannedPass& pass : plan.passes) {
    addNotes(pass.listen, true, stream.tones);
    addNotes(pass.play, false, stream.tones);
    if (chordsUnder) {
      addChords(pass.listen, *chordsUnder, stream.chords);
      addChords(pass.play, *chordsUnder, stream.chords);
    }
  }
  return stream;
}

PlayOutcome playPracticeStream(const PracticeStream& stream, SoundOutput& output,
                               WhileWaiting whileWaiting, const StreamSounds& sounds) {
  output.begin(std::move(whileWaiting), stream.chords, sounds);
  bool finished = true;
  for (const Tone& tone : stream.tones) {
    if (!output.sound(tone)) {
      finished = false;
      break;
    }
  }
  output.end();
  return finished ? PlayOutcome::Finished : PlayOutcome::EndedEarly;
}

}  // namespace quavern::playback
