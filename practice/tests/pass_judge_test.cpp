#include "practice/pass_judge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "music/tests/notes_texts.h"
#include "practice/audio_analyser.h"
#include "practice/midi_performance.h"
#include "practice/testing/pass_helpers.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using testing::SungNote;
using testing::Voice;

constexpr int kRate = kPerformanceRate;
constexpr std::int64_t kNoteMs = 500;
constexpr std::int64_t kSamplesPerMs = kRate / 1000;
constexpr auto song = music::testing::notesOf;

// MIDI numbers.
constexpr double kC4 = 60;
constexpr double kD4 = 62;
constexpr double kE4 = 64;
constexpr double kG4 = 67;
constexpr double kF3 = 53;
constexpr double kEb5 = 75;
constexpr double kA4 = 69;
constexpr double kRingOfA4 = 60.16;  // C4 16 cents sharp: 264 Hz, three fifths of A4

Voice sung(double semitones) {
  return {.hz = testing::hzOf(semitones), .partials = testing::sawtoothPartials(6)};
}

Voice soft(double semitones) {
  Voice voice{.hz = testing::hzOf(semitones), .partials = {1.0, 0.3, 0.1}};
  voice.attackMs = 120.0;
  return voice;
}

// A swell still rising when the onset cue has looked 80 ms ahead.
Voice swelling(double semitones) {
  Voice voice = sung(semitones);
  voice.attackMs = 250.0;
  return voice;
}

// A slurred note: it swells in over 10 ms while the last one fades, so the
// level never dips; only the pitch tells the notes apart.
Voice slurred(double semitones) {
  Voice voice = sung(semitones);
  voice.attackMs = 10.0;
  return voice;
}

Voice plucked(double semitones) {
  Voice voice = sung(semitones);
  voice.decayDbPerSecond = 12.0;  // the ring 7 dB down half a second on
  return voice;
}

// A high piano note: it dies away 24 dB in its first 300 ms.
Voice struck(double semitones) {
  Voice voice = sung(semitones);
  voice.decayDbPerSecond = 80.0;
  return voice;
}

// A choir's held note: its voices beat, swinging the level by 10 dB twelve
// times a second.
Voice choir(double semitones) {
  Voice voice = sung(semitones);
  voice.beatingDb = 10.0;
  return voice;
}

// A bowed note from a sampler: a slow attack, and a release that runs on
// under the next note's attack.
Voice bowed(double semitones) {
  Voice voice = sung(semitones);
  voice.attackMs = 60.0;
  voice.releaseMs = 100.0;
  return voice;
}

// A high note whose second harmonic is its loudest, as a guitar's often is.
Voice bright(double semitones) {
  return {.hz = testing::hzOf(semitones), .partials = {0.4, 1.0, 0.3, 0.2}};
}

// The voice `db` below its usual peak.
Voice quieter(Voice voice, double db) {
  voice.peak *= std::pow(10.0, -db / 20.0);
  return voice;
}

// Slot k (from 0, after the count-in) sung from `fromMs` to `toMs` of it.
SungNote at(std::int64_t k, Voice voice, std::int64_t fromMs = 0, std::int64_t toMs = 450) {
  const std::int64_t slotMs = (music::kCountInTones + k) * kNoteMs;
  return {slotMs + fromMs, slotMs + toMs, std::move(voice)};
}

struct Expected {
  Verdict verdict;
  Timing timing = Timing::NotJudged;
  std::int64_t offsetMs = 0;  // a right note's, within kOffsetToleranceMs
};

constexpr Expected right(std::int64_t offsetMs = 0) {
  const Timing timing = (offsetMs <= 80 && offsetMs >= -80) ? Timing::OnTime
                        : offsetMs > 0                      ? Timing::Late
                                                            : Timing::Early;
  return {Verdict::Right, timing, offsetMs};
}
constexpr Expected kMissed{Verdict::Missed};
constexpr Expected kWrong{Verdict::Wrong};

// The synthesised attacks begin on the millisecond; the level cue places them
// to its 5 ms blocks, the pitch cue to its 10 ms frames. A note played again
// over its own release is placed by where the new attack overtook the old
// note, as sampled instruments do it: to within 40 ms of a plainer model's.
constexpr std::int64_t kOffsetToleranceMs = 12;
constexpr std::int64_t kRepeatWithinMs = 40;

struct PerformanceCase {
  const char* name;
  std::u16string notes;
  std::vector<SungNote> performance;
  std::vector<Expected> expected;
  double hissBelowDb = 0.0;  // a room's hiss this far below the notes; 0: none
  std::int64_t offsetWithinMs = kOffsetToleranceMs;
};

std::vector<SlotVerdict> judged(const PerformanceCase& test, std::size_t chunk = 960) {
  const std::vector<music::TokenCut> tokens = music::cutTokens(song({test.notes}));
  const std::int64_t lengthMs = (music::kCountInTones + std::ssize(tokens) + 1) * kNoteMs;
  std::vector<double> signal = testing::perform(test.performance, lengthMs, kRate);
  if (test.hissBelowDb > 0.0) {
    testing::addNoise(signal, test.hissBelowDb, 3);
  }
  const std::vector<std::int16_t> input = testing::toSamples(signal);
  return testing::judgeLive(testing::slotsOf(tokens, kNoteMs), input, {}, 0, chunk);
}

TEST(PassJudge, FindsOnsetsAndJudgesTiming) {
  const std::vector<PerformanceCase> cases = {
      {"detached notes on time",
       u"c-e-g-",
       {at(0, sung(kC4)), at(1, sung(kE4)), at(2, sung(kG4))},
       {right(), right(), right()}},
      {"legato: each note begins where the last ends",
       u"c-e-g-e-",
       {at(0, sung(kC4), 0, 500), at(1, sung(kE4), 0, 500), at(2, sung(kG4), 0, 500),
        at(3, sung(kE4), 0, 500)},
       {right(), right(), right(), right()}},
      {"slurred: no dip between the notes",
       u"c-e-d-g-",
       {at(0, sung(kC4), 0, 505), at(1, slurred(kE4), 0, 505), at(2, slurred(kD4), 0, 505),
        at(3, slurred(kG4), 0, 450)},
       {right(), right(), right(), right()}},
      {"repeated notes, each attacked again",
       u"e-e-e-",
       {at(0, sung(kE4), 0, 420), at(1, sung(kE4), 0, 420), at(2, sung(kE4), 0, 420)},
       {right(), right(), right()}},
      {"one note held through three slots begins in the first only",
       u"c-c-c-",
       {at(0, sung(kC4), 0, 1500)},
       {right(), kMissed, kMissed}},
      {"a plucked note's ring through the next slots is no new note",
       u"g-g-d-",
       {at(0, plucked(kG4), 0, 1500)},
       {right(), kMissed, kMissed}},
      {"a choir's beating through the next slots is no new note",
       u"e-e-e-",
       {at(0, choir(kE4), 0, 1500)},
       {right(), kMissed, kMissed}},
      {"a choir's note sung again after a breath",
       u"e-e-g-",
       {at(0, choir(kE4), 0, 440), at(1, choir(kE4), 0, 440), at(2, choir(kG4), 0, 440)},
       {right(), right(), right()}},
      {"late and early by more than 80 ms",
       u"c-e-g-c-",
       {at(0, sung(kC4), 120, 450), at(1, sung(kE4), 30, 350), at(2, sung(kG4), -100, 400),
        at(3, sung(kC4), -60, 400)},
       {right(120), right(30), right(-100), right(-60)}},
      {"early by nearly half a slot still belongs to the slot",
       u"xye-",
       {at(1, sung(kE4), -230, 400)},
       {{Verdict::NotJudged}, right(-230)}},
      {"soft attacks rising over 120 ms",
       u"c-d-d-e-",
       {at(0, soft(kC4), 0, 450), at(1, soft(kD4), 0, 450), at(2, soft(kD4), 0, 450),
        at(3, soft(kE4), 0, 450)},
       {right(), right(), right(), right()}},
      {"slow swells in hiss, after a rest and repeated",
       u"c-e-e-e-",
       {at(0, sung(kC4)), at(2, swelling(kE4), 130, 450), at(3, swelling(kE4), 0, 450)},
       {right(), kMissed, right(130), right()},
       30.0},
      {"slurred leaps down an octave and a twelfth",
       u"g-g-c-",
       {at(0, sung(kG4), 0, 505), at(1, slurred(kG4 - 12), 0, 505),
        at(2, slurred(kG4 - 19), 0, 450)},
       {right(), right(), right()}},
      {"a swell of the last note's pitch far below it is its tail, not a note",
       u"g-d-e-",
       {at(0, sung(kG4)), at(1, quieter(sung(kG4), 14.0)), at(2, sung(kE4))},
       {right(), kMissed, right()}},
      {"a note played again a little softer is a new note",
       u"g-g-e-",
       {at(0, sung(kG4)), at(1, quieter(sung(kG4), 3.0)), at(2, sung(kE4))},
       {right(), right(), right()}},
      {"a leap up an octave, far softer than the last note",
       u"c-c-e-",
       {at(0, plucked(kC4)), at(1, quieter(plucked(kC4 + 12), 10.0)), at(2, sung(kE4))},
       {right(), right(), right()}},
      {"a leap up a twelfth over the last note, early",
       u"c-g-e-",
       {at(0, sung(kC4), 0, 560), at(1, quieter(sung(kC4 + 19), 6.0), -100, 450), at(2, sung(kE4))},
       {right(), right(-100), right()}},
      // The room still sounds an earlier high C 33 dB below the new one's
      // attack, and 14 dB below the level it decays to.
      {"a leap up an octave to a high struck note, dying away quickly",
       u"c-c-e-",
       {at(0, sung(kC4), 0, 400), at(0, quieter(sung(kC4 + 12), 33.0), 0, 950),
        at(1, struck(kC4 + 12)), at(2, sung(kE4))},
       {right(), right(), right()}},
      // The detector hears the ring's C: the note lies at its harmonic and
      // shows no onset of its own, but its harmonics, its fundamental
      // among them, rose out of the ring's sound.
      {"a struck note at the 4th harmonic of a ring that drowns it",
       u"c-c-e-",
       {at(0, plucked(kC4), 0, 950), at(1, quieter(struck(kC4 + 24), 6.0)), at(2, sung(kE4))},
       {right(), right(), right()}},
      {"a slurred leap up an octave",
       u"c-c-e-",
       {at(0, sung(kC4), 0, 505), at(1, slurred(kC4 + 12), 0, 505), at(2, slurred(kE4), 0, 450)},
       {right(), right(), right()}},
      {"a bowed note played again over its own release, late and early",
       u"e-e-e-e-",
       {at(0, bowed(kE4), 0, 540), at(1, bowed(kE4), 0, 540), at(2, bowed(kE4), 110, 440),
        at(3, bowed(kE4), -100, 450)},
       {right(), right(), right(110), right(-100)},
       0.0,
       kRepeatWithinMs},
      {"a high note over the ring of a low one as loud, on time and early",
       u"f-ebf-eb",
       {at(0, plucked(kF3), 0, 950), at(1, quieter(bright(kEb5), 6.0), 0, 450),
        at(2, plucked(kF3), 0, 950), at(3, quieter(bright(kEb5), 6.0), -100, 450)},
       {right(), right(), right(), right(-100)}},
      // The ring is a major sixth below the note, tuned just: together they
      // sound the harmonics of a fifth of the note, which a detector hears.
      {"a note over a ring with which it sounds a subharmonic of it",
       u"c-a-c-a-",
       {at(0, plucked(kRingOfA4), 0, 950), at(1, quieter(sung(kA4), 3.0), 0, 450),
        at(2, plucked(kRingOfA4), 0, 950), at(3, quieter(sung(kA4), 3.0), -100, 450)},
       {right(), right(), right(), right(-100)}},
      {"a wrong note has no timing",
       u"c-e-",
       {at(0, sung(kD4), 150, 450), at(1, sung(kE4))},
       {kWrong, right()}},
  };
  for (const PerformanceCase& test : cases) {
    const std::vector<SlotVerdict> verdicts = judged(test);
    ASSERT_EQ(verdicts.size(), test.expected.size()) << test.name;
    for (std::size_t k = 0; k < verdicts.size(); ++k) {
      const std::string where = std::string(test.name) + ", note " + std::to_string(k);
      EXPECT_EQ(verdicts[k].verdict, test.expected[k].verdict) << where;
      EXPECT_EQ(verdicts[k].timing, test.expected[k].timing) << where;
      if (test.expected[k].verdict == Verdict::Right) {
        ASSERT_TRUE(verdicts[k].onsetOffsetMs.has_value()) << where;
        EXPECT_NEAR(static_cast<double>(*verdicts[k].onsetOffsetMs),
                    static_cast<double>(test.expected[k].offsetMs),
                    static_cast<double>(test.offsetWithinMs))
            << where;
      } else {
        EXPECT_FALSE(verdicts[k].onsetOffsetMs.has_value()) << where;
      }
    }
  }
}

// A hiss that swells slowly until it drowns a held note's pitch, flickers, and
// goes, as a bow's scrape, a breath or a room's noise does, begins no note,
// though the detector has no pitch from before the flicker to compare with.
TEST(PassJudge, AFlickeringHissOverAHeldNoteIsNoNewNote) {
  const std::vector<music::TokenCut> tokens = music::cutTokens(song({u"e-e-"}));
  const std::int64_t firstMs = music::kCountInTones * kNoteMs;
  for (const double flickerHz : {14.0, 20.0, 28.0}) {
    std::vector<double> signal = testing::perform(
        {{firstMs, firstMs + 2 * kNoteMs - 50, sung(kE4)}}, firstMs + 3 * kNoteMs, kRate);
    // Rising 4 dB every 100 ms from slot 0's start to its end, flickering by
    // 8 dB for 100 ms, then gone within 50 ms.
    const std::vector<double> hiss = testing::noise(kRate, 0.3, 7);
    for (std::size_t i = 0; i < hiss.size(); ++i) {
      const double ms = static_cast<double>(i) / kSamplesPerMs;
      const double db =
          ms < 500 ? -20.0 + ms * 0.04
          : ms < 600
              ? -4.0 + 4.0 * std::cos(2.0 * std::numbers::pi * flickerHz * (ms - 500) / 1000.0)
              : -(ms - 600) * 0.8;
      signal[static_cast<std::size_t>(firstMs * kSamplesPerMs) + i] +=
          hiss[i] * std::pow(10.0, db / 20.0);
    }
    const std::vector<SlotVerdict> verdicts =
        testing::judgeLive(testing::slotsOf(tokens, kNoteMs), testing::toSamples(signal), {}, 0);
    ASSERT_EQ(verdicts.size(), 2U);
    EXPECT_EQ(verdicts[0].verdict, Verdict::Right) << flickerHz << " Hz";
    EXPECT_EQ(verdicts[1].verdict, Verdict::Missed) << flickerHz << " Hz";
  }
}

TEST(AudioAnalyser, ChunkedFeedingGivesTheSamePerformanceAsOneFeed) {
  std::vector<double> signal = testing::perform(
      {{100, 700, sung(kC4)}, {700, 1300, soft(kE4)}, {1400, 2600, plucked(kG4)}}, 3000, kRate);
  testing::addNoise(signal, 30.0, 5);
  const std::vector<std::int16_t> input = testing::toSamples(signal);
  const Performance whole = testing::analyse(input);
  ASSERT_GE(whole.onsets.size(), 3U);
  for (const std::size_t chunk : {1U, 37U, 480U, 4096U}) {
    const Performance chunked = testing::analyse(input, chunk);
    ASSERT_EQ(chunked.frames.size(), whole.frames.size()) << chunk;
    for (std::size_t i = 0; i < whole.frames.size(); ++i) {
      EXPECT_EQ(chunked.frames[i].sample, whole.frames[i].sample) << chunk;
      EXPECT_EQ(chunked.frames[i].hz, whole.frames[i].hz) << chunk;
      EXPECT_EQ(chunked.frames[i].levelDbfs, whole.frames[i].levelDbfs) << chunk;
    }
    ASSERT_EQ(chunked.onsets.size(), whole.onsets.size()) << chunk;
    for (std::size_t i = 0; i < whole.onsets.size(); ++i) {
      EXPECT_EQ(chunked.onsets[i].sample, whole.onsets[i].sample) << chunk;
      EXPECT_EQ(chunked.onsets[i].hz, whole.onsets[i].hz) << chunk;
    }
    EXPECT_EQ(chunked.coveredUntil, whole.coveredUntil) << chunk;
    EXPECT_EQ(chunked.framesCoveredUntil, whole.framesCoveredUntil) << chunk;
  }
  const AudioAnalyser analyser;
  EXPECT_GE(whole.coveredUntil, std::ssize(input) - analyser.coverageLagSamples());
  // The pitch is final long before the onsets are placed for good.
  EXPECT_GE(whole.framesCoveredUntil,
            std::ssize(input) - analyser.frameLatencySamples() - kFrameHopSamples);
}

// A performance made by hand: a steady pitch from `fromMs` to `toMs` and
// onsets where given, 10 ms frames.
Performance handMade(double hz, std::int64_t fromMs, std::int64_t toMs,
                     std::vector<std::int64_t> onsetMs) {
  Performance performance;
  for (std::int64_t sample = 0; sample < toMs * kSamplesPerMs + kRate; sample += kFrameHopSamples) {
    const bool sounding = sample >= fromMs * kSamplesPerMs && sample < toMs * kSamplesPerMs;
    performance.frames.push_back(
        {sample, sounding ? std::optional<double>(hz) : std::nullopt, sounding ? -20.0 : -90.0});
  }
  for (const std::int64_t ms : onsetMs) {
    performance.onsets.push_back({ms * kSamplesPerMs, hz});
  }
  performance.coveredUntil = performance.frames.back().sample + 1;
  return performance;
}

// One slot "c-" from stream 1000 ms to 1500 ms, judged on a hand-made performance.
SlotVerdict judgeOne(const std::u16string& token, const Performance& performance,
                     JudgeSettings settings, std::int64_t streamOrigin = 0) {
  const music::TokenCut cut{token, {0, 0}, {0, 1}};
  PassJudge judge({{cut, 0, 1, 1000 * kSamplesPerMs, 1500 * kSamplesPerMs}}, settings,
                  {streamOrigin});
  judge.update(performance);
  EXPECT_TRUE(judge.finished());
  return judge.verdicts().at(0);
}

TEST(PassJudge, StrictnessLimitsHoldAtTheirEdges) {
  struct Case {
    double cents;  // heard above the wanted c
    std::int64_t onsetMs;
    double pitchWithin;
    std::int64_t onTimeWithin;
    Verdict verdict;
    Timing timing;
  };
  const Case cases[] = {
      {49.9, 1000, 50.0, 80, Verdict::Right, Timing::OnTime},
      {-50.1, 1000, 50.0, 80, Verdict::Wrong, Timing::NotJudged},
      {34.9, 1000, 35.0, 80, Verdict::Right, Timing::OnTime},
      {35.1, 1000, 35.0, 80, Verdict::Wrong, Timing::NotJudged},
      {-19.9, 1000, 20.0, 80, Verdict::Right, Timing::OnTime},
      {20.1, 1000, 20.0, 80, Verdict::Wrong, Timing::NotJudged},
      {0.0, 1150, 50.0, 150, Verdict::Right, Timing::OnTime},
      {0.0, 1151, 50.0, 150, Verdict::Right, Timing::Late},
      {0.0, 920, 50.0, 80, Verdict::Right, Timing::OnTime},
      {0.0, 919, 50.0, 80, Verdict::Right, Timing::Early},
      {0.0, 1040, 50.0, 40, Verdict::Right, Timing::OnTime},
      {0.0, 1041, 50.0, 40, Verdict::Right, Timing::Late},
      // The onset window: from half a slot before the start to half after.
      {0.0, 750, 50.0, 80, Verdict::Right, Timing::Early},
      {0.0, 749, 50.0, 80, Verdict::Missed, Timing::NotJudged},
      {0.0, 1249, 50.0, 80, Verdict::Right, Timing::Late},
      {0.0, 1250, 50.0, 80, Verdict::Missed, Timing::NotJudged},
  };
  for (const Case& test : cases) {
    const Performance performance =
        handMade(testing::hzOf(60, test.cents), 700, 1500, {test.onsetMs});
    const SlotVerdict verdict =
        judgeOne(u"c-", performance,
                 {.pitchWithinCents = test.pitchWithin, .onTimeWithinMs = test.onTimeWithin});
    const std::string where =
        std::to_string(test.cents) + " cents, onset " + std::to_string(test.onsetMs) + " ms";
    EXPECT_EQ(verdict.verdict, test.verdict) << where;
    EXPECT_EQ(verdict.timing, test.timing) << where;
  }
}

// A slot is judged once no onset still to come could lie nearer its start
// than the nearest found, or once its whole onset window is covered.
TEST(PassJudge, JudgesASlotOnceItsOnsetIsDecided) {
  struct Case {
    std::optional<std::int64_t> onsetMs;
    std::int64_t coveredMs;
    bool judged;
  };
  const Case cases[] = {
      {1010, 1005, false},         {1010, 1011, true},         {990, 1009, false},
      {990, 1010, true},           {1100, 1099, false},        {1100, 1101, true},
      {std::nullopt, 1249, false}, {std::nullopt, 1250, true},
  };
  for (const Case& test : cases) {
    std::vector<std::int64_t> onsets;
    if (test.onsetMs) {
      onsets.push_back(*test.onsetMs);
    }
    Performance performance = handMade(testing::hzOf(60), 700, 1500, onsets);
    performance.coveredUntil = test.coveredMs * kSamplesPerMs;
    performance.framesCoveredUntil = 1400 * kSamplesPerMs;
    const music::TokenCut cut{u"c-", {0, 0}, {0, 1}};
    PassJudge judge({{cut, 0, 1, 1000 * kSamplesPerMs, 1500 * kSamplesPerMs}}, {}, {});
    judge.update(performance);
    const std::string where = "onset " + std::to_string(test.onsetMs.value_or(-1)) +
                              " ms, covered " + std::to_string(test.coveredMs) + " ms";
    ASSERT_EQ(judge.finished(), test.judged) << where;
    if (test.judged) {
      const SlotVerdict& verdict = judge.verdicts().at(0);
      EXPECT_EQ(verdict.verdict, test.onsetMs ? Verdict::Right : Verdict::Missed) << where;
      EXPECT_EQ(verdict.onsetOffsetMs,
                test.onsetMs ? std::optional<std::int64_t>(*test.onsetMs - 1000) : std::nullopt)
          << where;
    }
  }
}

// A key's onset is certain: pressed again far more softly, it is still a new
// note, where a sound as much softer of the same pitch is the last one's tail.
TEST(PassJudge, AKeyPressedAgainSoftlyIsANewNote) {
  Performance performance;
  MidiPerformance keyboard;
  const int keyG4 = static_cast<int>(kG4);
  for (const MidiNoteEvent& event : {MidiNoteEvent{1000 * kSamplesPerMs, keyG4, 127},
                                     MidiNoteEvent{1450 * kSamplesPerMs, keyG4, 0},
                                     MidiNoteEvent{1500 * kSamplesPerMs, keyG4, 20},
                                     MidiNoteEvent{1950 * kSamplesPerMs, keyG4, 0}}) {
    keyboard.add(event, performance);
  }
  keyboard.coverUntil(2500 * kSamplesPerMs, performance);
  const music::TokenCut cut{u"g-", {0, 0}, {0, 1}};
  PassJudge judge({{cut, 0, 1, 1000 * kSamplesPerMs, 1500 * kSamplesPerMs},
                   {cut, 0, 2, 1500 * kSamplesPerMs, 2000 * kSamplesPerMs}},
                  {}, {});
  judge.update(performance);
  ASSERT_TRUE(judge.finished());
  EXPECT_EQ(judge.verdicts().at(0).verdict, Verdict::Right);
  EXPECT_EQ(judge.verdicts().at(1).verdict, Verdict::Right);
}

TEST(PassJudge, ANoteHeardWithoutAnOnsetIsMissed) {
  const Performance ringing = handMade(testing::hzOf(60), 0, 1500, {200});
  EXPECT_EQ(judgeOne(u"c-", ringing, {}).verdict, Verdict::Missed);
  // The alignment moves the slot onto the onset: performance = stream + origin.
  const Performance later = handMade(testing::hzOf(60), 1200, 1700, {1200});
  const SlotVerdict verdict = judgeOne(u"c-", later, {}, 200 * kSamplesPerMs);
  EXPECT_EQ(verdict.verdict, Verdict::Right);
  EXPECT_EQ(verdict.onsetOffsetMs, 0);
}

TEST(PassJudge, TransposingInstrumentsAreJudgedInWrittenPitch) {
  struct Case {
    Transposition transposition;
    std::u16string written;
    double soundingSemitones;  // heard
    Verdict verdict;
    const char* heardWritten;
  };
  const Case cases[] = {
      {Transposition::C, u"d-", 62, Verdict::Right, "d-"},
      {Transposition::BFlat, u"d-", 60, Verdict::Right, "d-"},
      {Transposition::BFlat, u"d-", 62, Verdict::Wrong, "e-"},
      {Transposition::EFlat, u"a-", 60, Verdict::Right, "a-"},
      {Transposition::EFlat, u"c-", 63, Verdict::Right, "c-"},
      {Transposition::EFlat, u"c-", 64, Verdict::Wrong, "db"},
      {Transposition::F, u"g-", 60, Verdict::Right, "g-"},
      {Transposition::F, u"g-", 61, Verdict::Wrong, "ab"},
  };
  for (const Case& test : cases) {
    const Performance performance =
        handMade(testing::hzOf(test.soundingSemitones), 1000, 1500, {1000});
    const SlotVerdict verdict =
        judgeOne(test.written, performance, {.transposition = test.transposition});
    EXPECT_EQ(verdict.verdict, test.verdict) << test.heardWritten;
    ASSERT_TRUE(verdict.heardWrittenClass.has_value());
    EXPECT_EQ(flatSpelling(*verdict.heardWrittenClass), test.heardWritten);
  }
  EXPECT_EQ(soundingMinusWritten(Transposition::C), 0);
  EXPECT_EQ(soundingMinusWritten(Transposition::BFlat), -2);
  EXPECT_EQ(soundingMinusWritten(Transposition::EFlat), -9);
  EXPECT_EQ(soundingMinusWritten(Transposition::F), -7);
}

SlotVerdict verdictOf(std::u16string token, std::size_t bar, std::size_t note, Verdict verdict,
                      Timing timing = Timing::NotJudged,
                      std::optional<std::int64_t> offsetMs = std::nullopt,
                      std::optional<PitchClass> heard = std::nullopt) {
  SlotVerdict result;
  result.slot.token.text = std::move(token);
  result.slot.bar = bar;
  result.slot.noteInBar = note;
  result.verdict = verdict;
  result.timing = timing;
  result.onsetOffsetMs = offsetMs;
  result.heardWrittenClass = heard;
  return result;
}

TEST(PassJudge, ResultsReadAsThePracticeWindowShowsThem) {
  const std::vector<SlotVerdict> verdicts = {
      verdictOf(u"c-", 0, 1, Verdict::Right, Timing::OnTime, 12),
      verdictOf(u"e-", 0, 2, Verdict::Wrong, Timing::NotJudged, std::nullopt, 3),
      verdictOf(u"xy", 0, 3, Verdict::NotJudged),
      verdictOf(u"g-", 1, 1, Verdict::Right, Timing::Late, 120),
      verdictOf(u"C-", 1, 2, Verdict::Missed),
      verdictOf(u"a-", 4, 1, Verdict::Right, Timing::Early, -60),
  };
  EXPECT_EQ(passResultLine(3, 72, verdicts), "Pass 3, 72 BPM: 3 of 5 notes right, 1 of 3 on time.");
  const std::vector<std::string> expected = {
      "bar 1, note 2: heard eb, wanted e-",
      "bar 2, note 1: 120 ms late",
      "bar 2, note 2: missed, wanted C-",
      "bar 5, note 1: 60 ms early",
  };
  EXPECT_EQ(passDetailLines(verdicts), expected);
  std::array<bool, music::kBarCount> tinted{};
  tinted[0] = tinted[1] = true;
  EXPECT_EQ(barsWithNoteNotRight(verdicts), tinted);
  EXPECT_EQ(passResultLine(1, 60, {}), "Pass 1, 60 BPM: 0 of 0 notes right, 0 of 0 on time.");
}

}  // namespace
}  // namespace quavern::practice
