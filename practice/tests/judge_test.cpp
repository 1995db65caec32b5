#include "practice/judge.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "music/tests/notes_texts.h"
#include "practice/practice_result.h"
#include "practice/testing/pass_helpers.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using testing::SungNote;
using testing::Voice;

constexpr int kRate = 48000;

// MIDI numbers of the notes sung in the tests.
constexpr double kC3 = 48;
constexpr double kC4 = 60;
constexpr double kE4 = 64;
constexpr double kG4 = 67;
constexpr double kC5 = 72;
constexpr double kC6 = 84;

constexpr auto song = music::testing::notesOf;

Voice sung(double semitones, double cents = 0.0) {
  return {.hz = testing::hzOf(semitones, cents), .partials = testing::sawtoothPartials(6)};
}

// Note k of the pass sung from `from` to `to`, fractions of its slot.
SungNote inSlot(std::int64_t k, std::int32_t noteMs, Voice voice, double from = 0.0,
                double to = 1.0) {
  const std::int64_t slotMs = (kCountInNotes + k) * noteMs;
  return {slotMs + static_cast<std::int64_t>(from * noteMs),
          slotMs + static_cast<std::int64_t>(to * noteMs), std::move(voice)};
}

struct TakeCase {
  const char* name;
  music::NotesTexts notes;
  std::int32_t noteMs;
  std::vector<SungNote> performance;
  // Input samples before the stream's sample 0: negative when the input
  // started after it. The input ends with the pass unless `cutMs` says sooner.
  std::int64_t lead = 0;
  std::int64_t cutMs = -1;  // stream millisecond where the input ends
  std::string result;
  std::array<bool, music::kBarCount> barsNotRight{};
};

std::vector<std::int16_t> inputFor(const TakeCase& test, std::int64_t passMs) {
  const std::int64_t lengthMs = test.cutMs >= 0 ? test.cutMs : passMs;
  std::vector<double> signal = testing::perform(test.performance, lengthMs, kRate);
  if (test.lead > 0) {
    signal.insert(signal.begin(), static_cast<std::size_t>(test.lead), 0.0);
  } else {
    signal.erase(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(-test.lead));
  }
  return testing::toSamples(signal);
}

std::array<bool, music::kBarCount> bars(std::initializer_list<std::size_t> notRight) {
  std::array<bool, music::kBarCount> result{};
  for (const std::size_t bar : notRight) {
    result.at(bar) = true;
  }
  return result;
}

std::vector<TakeCase> takeCases() {
  return {
      {"every note right, in any octave and 40 cents off",
       song({u"c-e-g-C-"}),
       500,
       {inSlot(0, 500, sung(kC3)), inSlot(1, 500, sung(kE4, 40.0)),
        inSlot(2, 500, sung(kG4, -40.0)), inSlot(3, 500, sung(kC6))},
       0,
       -1,
       "Practice: 4 of 4 notes right."},
      {"wrong notes are named with flats; 60 cents off is the next note",
       song({u"e-a-c-", u"d#g-"}),
       667,
       {inSlot(0, 667, sung(kE4 - 1)), inSlot(1, 667, sung(kC4 + 10)),
        inSlot(2, 667, sung(kC4, 60.0)), inSlot(3, 667, sung(kE4 - 1)),
        inSlot(4, 667, sung(kG4, -60.0))},
       0,
       -1,
       "Practice: 1 of 5 notes right.\n"
       "bar 1, note 1: heard eb, wanted e-\n"
       "bar 1, note 2: heard bb, wanted a-\n"
       "bar 1, note 3: heard db, wanted c-\n"
       "bar 2, note 2: heard gb, wanted g-",
       bars({0, 1})},
      {"silence, a note that ends early and one that starts late are missed",
       song({u"c-c-c-c-"}),
       1000,
       {inSlot(0, 1000, sung(kC4)), inSlot(2, 1000, sung(kC4), 0.0, 0.3),
        inSlot(3, 1000, sung(kC4), 0.7, 1.0)},
       0,
       -1,
       "Practice: 1 of 4 notes right.\n"
       "bar 1, note 2: missed, wanted c-\n"
       "bar 1, note 3: missed, wanted c-\n"
       "bar 1, note 4: missed, wanted c-",
       bars({0})},
      {"rests are not judged, whatever is heard in them",
       song({u"c-xy", u"", u"  Db"}),
       500,
       {inSlot(0, 500, sung(kC4)), inSlot(1, 500, sung(kE4)), inSlot(3, 500, sung(kG4))},
       0,
       -1,
       "Practice: 1 of 1 notes right."},
      {"an odd bar shifts the cut: notes count in the bar of their first character",
       song({u"c-e", u"-g-", u"C"}),
       500,
       {inSlot(0, 500, sung(kC4)), inSlot(2, 500, sung(kE4))},
       0,
       -1,
       "Practice: 1 of 3 notes right.\n"
       "bar 1, note 2: missed, wanted e-\n"
       "bar 2, note 1: heard e-, wanted g-",
       bars({0, 1})},
      {"a player 20% late or early is judged in time",
       song({u"c-e-g-"}),
       833,
       {inSlot(0, 833, sung(kC4), 0.2, 1.2), inSlot(1, 833, sung(kE4), 0.2, 0.95),
        inSlot(2, 833, sung(kG4), -0.15, 0.8)},
       0,
       -1,
       "Practice: 3 of 3 notes right."},
      {"the song lies where the origin says, after a lead-in of input",
       song({u"e-g-"}),
       500,
       {inSlot(0, 500, sung(kE4)), inSlot(1, 500, sung(kG4))},
       12345,
       -1,
       "Practice: 2 of 2 notes right."},
      {"slots the input does not cover count as missed",
       song({u"c-e-g-C-"}),
       500,
       {inSlot(0, 500, sung(kC4)), inSlot(1, 500, sung(kE4)), inSlot(2, 500, sung(kG4)),
        inSlot(3, 500, sung(kC5))},
       // The input starts 2.3 s late, in the middle of note 1's judged stretch,
       // and ends 3.2 s into the stream, before note 3's stretch ends.
       -110400,
       3200,
       "Practice: 1 of 4 notes right.\n"
       "bar 1, note 1: missed, wanted c-\n"
       "bar 1, note 3: missed, wanted g-\n"
       "bar 1, note 4: missed, wanted C-",
       bars({0})},
  };
}

TEST(JudgeTake, JudgesEveryNoteOfAPerformance) {
  for (const TakeCase& test : takeCases()) {
    const std::vector<music::TokenCut> tokens = music::cutTokens(test.notes);
    const std::int64_t passMs =
        (kCountInNotes + static_cast<std::int64_t>(tokens.size())) * test.noteMs;
    const std::vector<std::int16_t> input = inputFor(test, passMs);
    const std::vector<NoteJudgement> judgements =
        judgeTake(tokens, test.noteMs, {input, kRate, test.lead});
    ASSERT_EQ(judgements.size(), tokens.size()) << test.name;
    EXPECT_EQ(resultText(judgements), test.result) << test.name;
    EXPECT_EQ(barsWithNoteNotRight(judgements), test.barsNotRight) << test.name;
  }
}

// A clean take of one whole-song pass: the pass judge, fed as the practice
// window feeds it, gives the verdicts 1.1's whole-take judge gives.
TEST(JudgeTake, ThePassJudgeAgreesOnACleanWholeSongPass) {
  for (const TakeCase& test : takeCases()) {
    const std::vector<music::TokenCut> tokens = music::cutTokens(test.notes);
    const std::int64_t passMs =
        (kCountInNotes + static_cast<std::int64_t>(tokens.size())) * test.noteMs;
    const std::vector<std::int16_t> input = inputFor(test, passMs);
    const std::vector<NoteJudgement> expected =
        judgeTake(tokens, test.noteMs, {input, kRate, test.lead});
    const std::vector<SlotVerdict> verdicts =
        testing::judgeLive(testing::slotsOf(tokens, test.noteMs), input, {}, test.lead);
    ASSERT_EQ(verdicts.size(), expected.size()) << test.name;
    for (std::size_t k = 0; k < verdicts.size(); ++k) {
      EXPECT_EQ(verdicts[k].verdict, expected[k].verdict) << test.name << ", note " << k;
      EXPECT_EQ(verdicts[k].heardWrittenClass, expected[k].heardClass)
          << test.name << ", note " << k;
    }
  }
}

TEST(JudgeTake, ReportsThePitchHeardForEveryJudgedNote) {
  const music::NotesTexts notes = song({u"a-", u"xy", u"b-"});
  const std::vector<double> signal =
      testing::perform({inSlot(0, 500, sung(69 - 12)), inSlot(2, 500, sung(71 - 1))},
                       (kCountInNotes + 3) * 500, kRate);
  const std::vector<std::int16_t> input = testing::toSamples(signal);
  const std::vector<NoteJudgement> judgements =
      judgeTake(music::cutTokens(notes), 500, {input, kRate, 0});
  ASSERT_EQ(judgements.size(), 3U);
  ASSERT_TRUE(judgements[0].heardHz.has_value());
  EXPECT_NEAR(*judgements[0].heardHz, 220.0, 0.5);
  EXPECT_EQ(judgements[0].heardClass, 9);
  EXPECT_EQ(judgements[1].verdict, Verdict::NotJudged);
  EXPECT_FALSE(judgements[1].heardHz.has_value());
  EXPECT_EQ(judgements[2].verdict, Verdict::Wrong);
  EXPECT_EQ(judgements[2].heardClass, 10);
  EXPECT_EQ(judgements[2].bar, 2U);
  EXPECT_EQ(judgements[2].noteInBar, 1U);
}

TEST(JudgeTake, AnEmptySongScoresNothing) {
  const std::vector<NoteJudgement> judgements = judgeTake({}, 500, {{}, kRate, 0});
  EXPECT_EQ(resultText(judgements), "Practice: 0 of 0 notes right.");
}

}  // namespace
}  // namespace quavern::practice
