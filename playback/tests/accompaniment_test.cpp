#include "playback/accompaniment.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "music/chords.h"

namespace quavern::playback {
namespace {

constexpr std::array<int, 4> kC{262, 330, 392, 466};   // c e g bb
constexpr std::array<int, 4> kAm{440, 262, 330, 392};  // a c e g
constexpr std::array<int, 4> kBm{494, 294, 370, 440};  // b d f# a
constexpr std::array<int, 4> kDb{277, 349, 415, 494};  // db f ab b

music::ChordIndexes allBars(int chord) {
  music::ChordIndexes chords;
  chords.fill(chord);
  return chords;
}

music::ChordIndexes withBar(music::ChordIndexes chords, std::size_t bar, int chord) {
  chords.at(bar) = chord;
  return chords;
}

TEST(ChordFrequencies, AreTheChordTablesTonesAnOctaveBelowTheMelody) {
  EXPECT_EQ(chordFrequencies(0), kC);
  EXPECT_EQ(chordFrequencies(19), kAm);
  EXPECT_EQ(chordFrequencies(23), kBm);
  EXPECT_EQ(chordFrequencies(2), kDb);
  for (int chord = 0; chord < music::kChordCount; ++chord) {
    for (const int frequency : chordFrequencies(chord)) {
      EXPECT_GE(frequency, 262) << chord;
      EXPECT_LE(frequency, 494) << chord;
    }
  }
}

struct ScheduleCase {
  const char* name;
  music::ChordIndexes chords;
  std::size_t tokensPerPass;
  std::int32_t t;
  std::int32_t passes;
  Accompaniment expected;
};

TEST(ChordSchedule, EachBarsChordLastsItsFourNotesAfterTheCountIn) {
  const music::ChordIndexes c = allBars(0);
  const ScheduleCase cases[] = {
      {"no tokens: the count-in sounds alone", c, 0, 500, 1, {}},
      {"loop 0: the count-in sounds alone", c, 64, 500, 0, {}},
      {"bar k covers tokens 4k to 4k + 3",
       withBar(c, 1, 19),
       8,
       500,
       1,
       {{2000, 4000, kC}, {4000, 6000, kAm}}},
      {"two bars of one chord are two chords",
       c,
       8,
       1000,
       1,
       {{4000, 8000, kC}, {8000, 12000, kC}}},
      {"a pass that runs out cuts the last chord short",
       c,
       6,
       500,
       1,
       {{2000, 4000, kC}, {4000, 5000, kC}}},
      {"a bar without a chord is silent",
       withBar(c, 0, music::kNoChord),
       8,
       500,
       1,
       {{4000, 6000, kC}}},
      {"every pass starts again at bar 1",
       withBar(c, 1, 23),
       8,
       833,
       2,
       {{3332, 6664, kC}, {6664, 9996, kBm}, {9996, 13328, kC}, {13328, 16660, kBm}}},
  };
  for (const ScheduleCase& test : cases) {
    EXPECT_EQ(chordSchedule(test.chords, test.tokensPerPass, test.t, test.passes), test.expected)
        << test.name;
  }
}

TEST(ChordSchedule, AFullSongHasSixteenChordsAPassAndTokensBeyondBarSixteenHaveNone) {
  const Accompaniment full = chordSchedule(allBars(5), 64, 500, 10);
  ASSERT_EQ(full.size(), 160u);
  EXPECT_EQ(full.front().startMs, 2000);
  EXPECT_EQ(full.back().endMs, 2000 + 640 * 500);

  const Accompaniment longer = chordSchedule(allBars(5), 70, 500, 1);
  ASSERT_EQ(longer.size(), 16u);
  EXPECT_EQ(longer.back().endMs, 2000 + 64 * 500);
}

}  // namespace
}  // namespace quavern::playback
