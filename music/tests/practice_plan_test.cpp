#include "music/practice_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/tests/notes_texts.h"
#include "music/timeline.h"

namespace quavern::music {
namespace {

constexpr auto song = music::testing::notesOf;

std::vector<std::u16string> textsOf(const std::vector<PlannedNote>& notes) {
  std::vector<std::u16string> texts;
  for (const PlannedNote& note : notes) {
    texts.push_back(note.token.text);
  }
  return texts;
}

TEST(PracticePlan, ThePassageIsTheTokensThatBeginInItsBars) {
  struct Case {
    const char* name;
    NotesTexts notes;
    int from, to;
    std::vector<std::u16string> texts;
    std::vector<std::size_t> noteInBar;
  };
  const Case cases[] = {
      {"whole song", song({u"c-e-", u"g-bb"}), 1, 16, {u"c-", u"e-", u"g-", u"bb"}, {1, 2, 1, 2}},
      {"one bar", song({u"c-e-", u"g-bb", u"a-"}), 2, 2, {u"g-", u"bb"}, {1, 2}},
      // "c-e" leaves "e" to begin a token that ends in bar 2: it belongs to bar 1.
      {"a token across two bars is its first bar's", song({u"c-e", u"-g-b"}), 2, 16, {u"g-"}, {1}},
      {"bar 1 keeps it", song({u"c-e", u"-g-b"}), 1, 1, {u"c-", u"e-"}, {1, 2}},
      {"empty bars give nothing", song({u"c-", u"", u"d-"}), 2, 2, {}, {}},
      {"last bars", song({u"c-"}), 16, 16, {}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<PlannedNote> notes = passageNotes(c.notes, c.from, c.to);
    EXPECT_EQ(textsOf(notes), c.texts) << c.name;
    std::vector<std::size_t> noteInBar;
    for (const PlannedNote& note : notes) {
      noteInBar.push_back(note.noteInBar);
    }
    EXPECT_EQ(noteInBar, c.noteInBar) << c.name;
  }
}

TEST(PracticePlan, ThePassageKeepsEachTokensPlaceInTheSong) {
  const auto notes = passageNotes(song({u"c-e-g-bb", u"d-f-a-C-"}), 2, 2);
  ASSERT_EQ(notes.size(), 4U);
  EXPECT_EQ(notes[0].songIndex, 4U);
  EXPECT_EQ(notes[0].bar, 1U);
  EXPECT_EQ(notes[3].songIndex, 7U);
}

TEST(PracticePlan, TempoRisesEachPassUpToItsCeiling) {
  struct Case {
    int tempo, raise, upTo;
    std::vector<int> tempos;  // passes 1, 2, ...
  };
  const Case cases[] = {
      {60, 10, 80, {60, 70, 80, 80}}, {60, 0, 120, {60, 60, 60}}, {60, 7, 75, {60, 67, 74, 75}},
      {100, 10, 80, {100, 100}},  // a ceiling under the start holds the start
      {240, 20, 240, {240, 240}},
  };
  for (const Case& c : cases) {
    PracticeSettings settings;
    settings.tempoBpm = c.tempo;
    settings.raiseBpm = c.raise;
    settings.upToBpm = c.upTo;
    std::vector<int> tempos;
    for (int pass = 1; pass <= static_cast<int>(c.tempos.size()); ++pass) {
      tempos.push_back(passTempo(settings, pass));
    }
    EXPECT_EQ(tempos, c.tempos) << c.tempo << " + " << c.raise << " up to " << c.upTo;
  }
}

// At 72 BPM a beat is 833 1/3 ms: rounding each beat alone would lose a
// millisecond every three notes.
TEST(PracticePlan, BeatsAreRoundedFromTheExactTimeSoNoPassDrifts) {
  PracticeSettings settings;
  settings.tempoBpm = 72;
  settings.passes = 2;
  const NotesTexts notes = song({u"c-e-g-bb", u"c-e-g-bb", u"c-e-g-bb"});
  const PracticePlan plan = planPractice(notes, settings);
  EXPECT_EQ(plan.countInMs, (std::vector<std::int64_t>{0, 833, 1667, 2500, 3333}));
  ASSERT_EQ(plan.passes.size(), 2U);
  const PlannedPass& first = plan.passes[0];
  EXPECT_EQ(first.startMs, 3333);
  EXPECT_EQ(first.play[0].startMs, 3333);
  EXPECT_EQ(first.play[1].startMs, 3333 + 833);
  EXPECT_EQ(first.play[2].startMs, 3333 + 1667);
  EXPECT_EQ(first.endMs, 3333 + 10000);  // 12 beats
  for (std::size_t k = 1; k < first.play.size(); ++k) {
    EXPECT_EQ(first.play[k].startMs, first.play[k - 1].endMs) << "gapless at note " << k;
  }
  EXPECT_EQ(plan.passes[1].startMs, first.endMs);
  EXPECT_EQ(plan.endMs, 3333 + 20000);
}

TEST(PracticePlan, PassesFollowOneAnotherAtTheirOwnTempo) {
  PracticeSettings settings;
  settings.fromBar = 5;
  settings.toBar = 8;
  settings.tempoBpm = 60;
  settings.passes = 3;
  settings.raiseBpm = 10;
  settings.upToBpm = 80;
  NotesTexts notes;
  notes.fill(u"c-e-g-bb");
  const PracticePlan plan = planPractice(notes, settings);
  ASSERT_EQ(plan.passes.size(), 3U);
  EXPECT_EQ(plan.countInMs.back(), 4000);                // the count-in at the first pass's tempo
  const std::int64_t lengths[] = {16000, 13714, 12000};  // 16 beats at 70: 13714.3 ms
  std::int64_t start = 4000;
  for (std::size_t pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(plan.passes[pass].startMs, start) << pass;
    EXPECT_EQ(plan.passes[pass].endMs - start, lengths[pass]) << pass;
    EXPECT_EQ(plan.passes[pass].play.front().bar, 4U);
    EXPECT_EQ(plan.passes[pass].play.back().bar, 7U);
    start = plan.passes[pass].endMs;
  }
}

TEST(PracticePlan, ListeningFirstSoundsThePassageBeforeEachPlay) {
  PracticeSettings settings;
  settings.tempoBpm = 120;
  settings.passes = 2;
  settings.listenFirst = true;
  const PracticePlan plan = planPractice(song({u"c-e-"}), settings);
  const PlannedPass& first = plan.passes[0];
  ASSERT_EQ(first.listen.size(), 2U);
  EXPECT_EQ(first.listen[0].startMs, 2000);
  EXPECT_EQ(first.play[0].startMs, 3000);
  EXPECT_EQ(first.endMs, 4000);
  EXPECT_EQ(plan.passes[1].listen[0].startMs, 4000);
}

TEST(PracticePlan, SettingsAreHeldInsideTheControlsLimits) {
  PracticeSettings wild;
  wild.fromBar = 12;
  wild.toBar = 3;
  wild.tempoBpm = 10;
  wild.upToBpm = 999;
  wild.passes = 0;
  wild.raiseBpm = -5;
  const PracticeSettings held = clamped(wild);
  EXPECT_EQ(held.fromBar, 12);
  EXPECT_EQ(held.toBar, 12);
  EXPECT_EQ(held.tempoBpm, kSlowestBpm);
  EXPECT_EQ(held.upToBpm, kFastestBpm);
  EXPECT_EQ(held.passes, 1);
  EXPECT_EQ(held.raiseBpm, 0);
}

}  // namespace
}  // namespace quavern::music
