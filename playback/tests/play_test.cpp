#include "playback/play.h"

#include <gtest/gtest.h>

#include <vector>

#include "music/chords.h"
#include "playback/recording_output.h"

namespace quavern::playback {
namespace {

music::NotesTexts twoNotes() {
  music::NotesTexts notes;
  notes[0] = u"c-e-";
  return notes;
}

TEST(Play, SetsTheNoteDurationAndRestoresTheLoopCount) {
  RecordingOutput output;
  PlayState state{.t = 60, .loop = 3, .loop_ = 0};

  EXPECT_EQ(play(twoNotes(), 2, state, output), PlayOutcome::Finished);

  EXPECT_EQ(state.t, 667);
  EXPECT_EQ(state.loop, 3);
  EXPECT_EQ(state.loop_, 3);
  EXPECT_EQ(output.tones().size(), 4u + 3u * 2u);
  EXPECT_EQ(output.begins(), 1);
  EXPECT_EQ(output.ends(), 1);
}

TEST(Play, CountsTheLoopDownPassByPass) {
  RecordingOutput output;
  PlayState state{.t = 60, .loop = 3, .loop_ = 0};
  std::vector<std::int32_t> loopWhileSounding;

  play(twoNotes(), 3, state, output, [&] {
    loopWhileSounding.push_back(state.loop);
    return PlayControl::Continue;
  });

  const std::vector<std::int32_t> passes{3, 3, 3, 3, 3, 3, 2, 2, 1, 1};
  EXPECT_EQ(loopWhileSounding, passes);
}

TEST(Play, AfterStopSoundsTheCountInOnlyAndKeepsLoopAtZero) {
  RecordingOutput output;
  PlayState state{.t = 60, .loop = 0, .loop_ = 5};

  play(twoNotes(), 0, state, output);

  EXPECT_EQ(output.tones(), std::vector<Tone>(4, countInTone(1000)));
  EXPECT_EQ(state.loop, 0);
  EXPECT_EQ(state.loop_, 0);
}

TEST(Play, EndsAtOnceWhenAskedAndRestoresTheLoopCount) {
  for (const PlayControl asked : {PlayControl::Stop, PlayControl::Abandon}) {
    RecordingOutput output;
    PlayState state{.t = 60, .loop = 2, .loop_ = 0};
    int callsLeft = 7;

    const PlayOutcome outcome = play(twoNotes(), 3, state, output, [&] {
      return --callsLeft > 0 ? PlayControl::Continue : asked;
    });

    EXPECT_EQ(outcome, PlayOutcome::EndedEarly);
    EXPECT_EQ(output.tones().size(), 7u);  // ended in the second pass
    EXPECT_EQ(output.ends(), 1);
    EXPECT_EQ(state.loop, 2);
    EXPECT_EQ(state.loop_, 2);
  }
}

}  // namespace
}  // namespace quavern::playback
