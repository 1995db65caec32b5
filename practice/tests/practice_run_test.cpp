#include "practice/practice_run.h"

#include <gtest/gtest.h>

#include <cmath>

#include "music/tests/notes_texts.h"
#include "music/timeline.h"

namespace quavern::practice {
namespace {

constexpr auto song = music::testing::notesOf;

double hzOf(double semitones) {
  return 440.0 * std::pow(2.0, (semitones - 69.0) / 12.0);
}

// A performance made by hand, on a timeline where performance sample s is
// stream sample s - origin: one onset and steady frames for each sung note.
struct Sung {
  std::int64_t fromMs, toMs;
  double semitones;
};

Performance performed(const std::vector<Sung>& notes, std::int64_t untilMs, std::int64_t origin) {
  Performance performance;
  for (std::int64_t sample = 0; sample < music::sampleAtMs(untilMs, kPerformanceRate);
       sample += kFrameHopSamples) {
    const std::int64_t ms = sample * 1000 / kPerformanceRate;
    PitchFrame frame{sample + origin, std::nullopt, -70.0};
    for (const Sung& note : notes) {
      if (ms >= note.fromMs && ms < note.toMs) {
        frame.hz = hzOf(note.semitones);
        frame.levelDbfs = -20.0;
      }
    }
    performance.frames.push_back(frame);
  }
  for (const Sung& note : notes) {
    performance.onsets.push_back(
        {music::sampleAtMs(note.fromMs, kPerformanceRate) + origin, hzOf(note.semitones)});
  }
  performance.coveredUntil = music::sampleAtMs(untilMs, kPerformanceRate) + origin;
  return performance;
}

music::PracticeSettings passage(int passes, int bpm, int raise = 0) {
  music::PracticeSettings settings;
  settings.fromBar = 1;
  settings.toBar = 1;
  settings.tempoBpm = bpm;
  settings.passes = passes;
  settings.raiseBpm = raise;
  settings.upToBpm = 240;
  return settings;
}

TEST(PracticeRun, EachPassIsJudgedOnceItIsCoveredAndReportedInOrder) {
  // 120 then 150 BPM: the count-in to 2000 ms, pass 1 to 4000, pass 2 to 5600.
  const auto plan = music::planPractice(song({u"c-e-g-bb"}), passage(2, 120, 30));
  PracticeRun run(plan, {});
  const std::int64_t origin = 1234;
  const Performance whole = performed({{2010, 2450, 60},
                                       {2510, 2950, 64},
                                       {3010, 3450, 67},
                                       {3510, 3950, 70},
                                       {4010, 4350, 60},
                                       {4410, 4750, 64},
                                       {4810, 5150, 66},
                                       {5210, 5550, 70}},
                                      6500, origin);
  EXPECT_TRUE(run.update(whole).empty()) << "nothing is judged before the run is aligned";
  run.align({origin});
  const std::vector<FinishedPass> passes = run.update(whole);
  ASSERT_EQ(passes.size(), 2U);
  EXPECT_EQ(passes[0].number, 1);
  EXPECT_EQ(passes[0].bpm, 120);
  EXPECT_EQ(passResultLine(1, 120, passes[0].verdicts),
            "Pass 1, 120 BPM: 4 of 4 notes right, 4 of 4 on time.");
  EXPECT_EQ(passes[1].bpm, 150);
  EXPECT_EQ(passes[1].verdicts[2].verdict, Verdict::Wrong);
  EXPECT_NEAR(passes[0].loudestDbfs, -20.0, 1e-9);
  EXPECT_TRUE(run.finished());
  EXPECT_TRUE(run.update(whole).empty()) << "a pass is reported once";
}

TEST(PracticeRun, ABetterAlignmentReplacesTheLastUntilTheFirstNoteIsHeard) {
  // 120 BPM: the count-in to 2000 ms, then the four notes, each sung on time.
  const auto plan = music::planPractice(song({u"c-e-g-bb"}), passage(1, 120));
  const std::int64_t origin = 4800;
  const Performance whole = performed(
      {{2010, 2450, 60}, {2510, 2950, 64}, {3010, 3450, 67}, {3510, 3950, 70}}, 4500, origin);
  PracticeRun run(plan, {});
  EXPECT_TRUE(run.takesAlignment(1999));
  EXPECT_FALSE(run.takesAlignment(2000));
  // A first estimate 300 ms out would judge every note wrong or late.
  run.align({origin + 300 * kPerformanceRate / 1000});
  run.align({origin});
  const std::vector<FinishedPass> passes = run.update(whole);
  ASSERT_EQ(passes.size(), 1U);
  EXPECT_EQ(passResultLine(1, 120, passes[0].verdicts),
            "Pass 1, 120 BPM: 4 of 4 notes right, 4 of 4 on time.");
}

TEST(PracticeRun, APassIsNotReportedBeforeItsEndIsCovered) {
  const auto plan = music::planPractice(song({u"c-e-g-bb"}), passage(1, 120));
  PracticeRun run(plan, {});
  run.align({0});
  EXPECT_TRUE(run.update(performed({{2010, 2450, 60}}, 3000, 0)).empty());
  EXPECT_FALSE(run.finished());
}

TEST(PracticeRun, TheLaneShowsThePassHeardWithItsVerdictsAndTheTraceFolded) {
  const auto plan = music::planPractice(song({u"c-e-g-C-"}), passage(2, 120));
  PracticeRun run(plan, {});
  run.align({0});
  // c sung an octave low, e in tune, g a semitone sharp, C an octave low.
  const Performance heard =
      performed({{2010, 2450, 48}, {2510, 2950, 64}, {3010, 3450, 68}, {3510, 3950, 60}}, 4300, 0);
  run.update(heard);
  const LaneModel lane = run.lane(3990, heard);
  ASSERT_EQ(lane.notes.size(), 4U);
  EXPECT_EQ(lane.notes[0].row, 0);
  EXPECT_EQ(lane.notes[3].row, 12);
  EXPECT_EQ(lane.notes[3].label, "C-");
  EXPECT_EQ(lane.notes[0].mark, LaneMark::Right);
  EXPECT_EQ(lane.notes[2].mark, LaneMark::Wrong);
  EXPECT_EQ(lane.playheadMs, 3990);
  EXPECT_LE(lane.viewStartMs, 3990);
  EXPECT_GE(lane.viewEndMs, 3990);
  ASSERT_FALSE(lane.trace.empty());
  for (const LaneTracePoint& point : lane.trace) {
    EXPECT_LE(point.ms, 3990);
    const bool inThird = point.ms >= 3000 && point.ms < 3500;
    EXPECT_EQ(point.onTarget, !inThird) << point.ms;
    if (point.ms >= 3500) {
      EXPECT_NEAR(point.row, 12.0, 1e-6) << "a low c under C- is drawn on C-'s row";
    }
    if (point.ms < 2500) {
      EXPECT_NEAR(point.row, 0.0, 1e-6);
    }
  }
  // The next pass's notes are due, and the last pass's colours are gone.
  const LaneModel next = run.lane(4100, heard);
  EXPECT_EQ(next.notes[0].mark, LaneMark::Due);
}

TEST(PracticeRun, TheLaneScrollsSoTheNoteDueIsInSight) {
  music::NotesTexts notes;
  notes.fill(u"c-e-g-bb");
  music::PracticeSettings settings = passage(1, 60);
  settings.toBar = 16;
  const auto plan = music::planPractice(notes, settings);
  PracticeRun run(plan, {});
  for (const std::int64_t ms : {4000, 20000, 40500, 67999}) {
    const LaneModel lane = run.lane(ms, {});
    EXPECT_LE(lane.viewEndMs - lane.viewStartMs, 12000) << ms;
    EXPECT_LE(lane.viewStartMs, ms) << ms;
    EXPECT_GT(lane.viewEndMs, ms) << ms;
  }
}

TEST(PracticeRun, HeardNamesTheNearestWrittenNoteAndItsOffset) {
  struct Case {
    std::optional<double> hz;
    Transposition transposition;
    const char* text;
  };
  const Case cases[] = {
      {std::nullopt, Transposition::C, "-"},
      {440.0, Transposition::C, "a- +0 cents"},
      {440.0 * std::pow(2.0, 12.0 / 1200.0), Transposition::C, "a- +12 cents"},
      {440.0 * std::pow(2.0, -30.0 / 1200.0), Transposition::C, "a- -30 cents"},
      {hzOf(63), Transposition::C, "eb +0 cents"},
      {440.0, Transposition::BFlat, "b- +0 cents"},  // a written b sounds a
      {440.0, Transposition::EFlat, "gb +0 cents"},  // a major sixth up, spelt flat
      {hzOf(58), Transposition::F, "f- +0 cents"},   // b flat sounds from a written f
  };
  for (const Case& c : cases) {
    EXPECT_EQ(heardText(c.hz, c.transposition), c.text);
  }
}

TEST(PracticeRun, TheBarsToPractiseAgainAreThoseWithANoteNotRight) {
  std::vector<SlotVerdict> verdicts(4);
  verdicts[0].slot.bar = 0;
  verdicts[0].verdict = Verdict::Right;
  verdicts[0].timing = Timing::Late;  // late is still right
  verdicts[1].slot.bar = 2;
  verdicts[1].verdict = Verdict::Missed;
  verdicts[2].slot.bar = 5;
  verdicts[2].verdict = Verdict::Wrong;
  verdicts[3].slot.bar = 7;
  verdicts[3].verdict = Verdict::NotJudged;
  const auto bars = barsNotRight(verdicts);
  for (std::size_t bar = 0; bar < bars.size(); ++bar) {
    EXPECT_EQ(bars[bar], bar == 2 || bar == 5) << bar;
  }
}

}  // namespace
}  // namespace quavern::practice
