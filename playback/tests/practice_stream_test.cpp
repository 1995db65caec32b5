#include "playback/practice_stream.h"

#include <gtest/gtest.h>

#include <numeric>

#include "music/chords.h"
#include "music/tests/notes_texts.h"
#include "playback/follow_along.h"
#include "playback/pitch.h"
#include "playback/recording_output.h"

namespace quavern::playback {
namespace {

constexpr auto song = music::testing::notesOf;

music::PracticeSettings settings(int from, int to, int bpm, int passes, bool listenFirst = false) {
  music::PracticeSettings s;
  s.fromBar = from;
  s.toBar = to;
  s.tempoBpm = bpm;
  s.passes = passes;
  s.listenFirst = listenFirst;
  return s;
}

std::int64_t totalMs(const std::vector<Tone>& tones) {
  return std::accumulate(tones.begin(), tones.end(), std::int64_t{0},
                         [](std::int64_t sum, const Tone& tone) { return sum + tone.durationMs; });
}

TEST(PracticeStream, CountInThenTheListeningAndThePlayersSilence) {
  const music::NotesTexts notes = song({u"c-e-", u"g-x!"});
  const auto plan = music::planPractice(notes, settings(1, 2, 72, 1, true));
  const PracticeStream stream = practiceStream(plan, std::nullopt);
  const std::vector<Tone> expected = {
      countInTone(833),
      countInTone(834),
      countInTone(833),
      countInTone(833),
      // listening: as play sounds the passage, text that names no note a rest
      {frequencyOf(u"c-"), 833},
      {frequencyOf(u"e-"), 834},
      {frequencyOf(u"g-"), 833},
      {kRestHz, 833},
      // the player's turn
      {kRestHz, 833},
      {kRestHz, 834},
      {kRestHz, 833},
      {kRestHz, 833}};
  EXPECT_EQ(stream.tones, expected);
  EXPECT_EQ(totalMs(stream.tones), plan.endMs);
  EXPECT_TRUE(stream.chords.empty());
}

TEST(PracticeStream, EachBarsChordLiesUnderItsNotesInEveryPass) {
  music::NotesTexts notes;
  notes.fill(u"c-e-g-bb");
  music::ChordIndexes chords;
  chords.fill(music::kNoChord);
  chords[4] = 0;   // bar 5: C
  chords[5] = 19;  // bar 6: Am
  // bar 7 has none
  const auto plan = music::planPractice(notes, settings(5, 7, 60, 2));
  const PracticeStream stream = practiceStream(plan, chords);
  const Accompaniment expected = {{4000, 8000, chordFrequencies(0)},
                                  {8000, 12000, chordFrequencies(19)},
                                  {16000, 20000, chordFrequencies(0)},
                                  {20000, 24000, chordFrequencies(19)}};
  EXPECT_EQ(stream.chords, expected);
}

TEST(PracticeStream, AChordIsStruckAgainWhenThePassageStartsOver) {
  music::NotesTexts notes;
  notes.fill(u"c-e-g-bb");
  music::ChordIndexes chords;
  chords.fill(0);
  const auto plan = music::planPractice(notes, settings(1, 1, 120, 2, true));
  const Accompaniment stream = practiceStream(plan, chords).chords;
  ASSERT_EQ(stream.size(), 4U);  // listen, play, listen, play
  for (std::size_t k = 1; k < stream.size(); ++k) {
    EXPECT_EQ(stream[k].startMs, stream[k - 1].endMs);
  }
}

TEST(PracticeStream, PlaysEveryToneWithTheChordsAndStopsWhenAsked) {
  const auto plan = music::planPractice(song({u"c-e-g-bb"}), settings(1, 1, 60, 3));
  music::ChordIndexes chords;
  chords.fill(0);
  const PracticeStream stream = practiceStream(plan, chords);
  RecordingOutput output;
  EXPECT_EQ(playPracticeStream(stream, output, {}), PlayOutcome::Finished);
  EXPECT_EQ(output.tones(), stream.tones);
  EXPECT_EQ(output.accompaniment(), stream.chords);
  EXPECT_EQ(output.ends(), 1);

  RecordingOutput stopped;
  int calls = 0;
  const auto outcome = playPracticeStream(stream, stopped, [&calls] {
    return ++calls == 6 ? PlayControl::Stop : PlayControl::Continue;
  });
  EXPECT_EQ(outcome, PlayOutcome::EndedEarly);
  EXPECT_LT(stopped.tones().size(), stream.tones.size());
  EXPECT_EQ(stopped.ends(), 1);
}

TEST(PracticeStream, TheMarkFollowsTheNoteSoundingOrDue) {
  const auto plan = music::planPractice(song({u"c-e-", u"g-"}), settings(2, 2, 60, 2, true));
  struct Case {
    std::int64_t heardMs;
    std::vector<FieldSelection> mark;
  };
  const Case cases[] = {
      {0, {}},              // count-in
      {4000, {{1, 0, 2}}},  // listening to g-
      {5500, {{1, 0, 2}}},  // playing it
      {6999, {{1, 0, 2}}},  // pass 2, playing
      {8000, {}},           // the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(markInPractice(c.heardMs, plan), c.mark) << c.heardMs;
  }
}

}  // namespace
}  // namespace quavern::playback
