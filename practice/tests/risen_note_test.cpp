#include "practice/risen_note.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "practice/pitch_class.h"
#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using testing::SungNote;
using testing::Voice;

constexpr int kRate = 48000;
constexpr std::int64_t kMs = kRate / 1000;
constexpr std::int64_t kOnsetMs = 500;  // where the new note begins

// A low string left ringing.
Voice ringing(double semitones) {
  Voice voice{.hz = testing::hzOf(semitones), .partials = testing::sawtoothPartials(8)};
  voice.decayDbPerSecond = 6.0;
  return voice;
}

// A note `db` below the ring, its second harmonic its loudest; `cents` off.
Voice added(double semitones, double db, double cents = 0.0) {
  Voice voice{.hz = testing::hzOf(semitones, cents), .partials = {0.4, 1.0, 0.3, 0.2}};
  voice.peak *= std::pow(10.0, -db / 20.0);
  return voice;
}

// A violin's high note, its harmonics spread by a vibrato of 25 cents.
Voice vibrato(double semitones) {
  Voice voice{.hz = testing::hzOf(semitones), .partials = testing::sawtoothPartials(8)};
  voice.vibratoCents = 25.0;
  return voice;
}

struct Case {
  const char* name;
  std::vector<SungNote> performance;
  std::optional<double> expectedSemitones;  // any octave; nothing: no note rose
  double oldSemitones = 53;                 // F3
  std::optional<double> heardSemitones{};   // what the pitch detector heard
};

TEST(RisenNote, NamesTheNoteThatRoseOverTheRingOfTheLast) {
  const Case cases[] = {
      {"a high note softer than the ring",
       {{0, 1000, ringing(53)}, {kOnsetMs, 1000, added(75, 6)}},
       75},
      {"a fifth above, half its harmonics the ring's",
       {{0, 1000, ringing(53)}, {kOnsetMs, 1000, added(60, 3)}},
       60},
      {"an octave below, only its odd harmonics clear",
       {{0, 1000, ringing(53)}, {kOnsetMs, 1000, added(41, 0)}},
       41},
      {"a note 30 cents sharp is tuned",
       {{0, 1000, ringing(53)}, {kOnsetMs, 1000, added(70, 6, 30)}},
       70.3},
      {"the ring alone", {{0, 1000, ringing(53)}}, std::nullopt},
      {"a high note with vibrato an octave below the ring, heard",
       {{0, 1000, ringing(95)}, {kOnsetMs, 1000, vibrato(83)}},
       83,
       95,
       83},
      // The room raises the subharmonic's own harmonics a little, 30 dB
      // below the note's.
      {"a high note heard as its subharmonic, a third of it",
       {{0, 1000, ringing(53)}, {kOnsetMs, 1000, added(75, 6)}, {kOnsetMs, 1000, added(56, 36)}},
       75,
       53,
       56},
  };
  for (const Case& test : cases) {
    const std::vector<std::int16_t> samples =
        testing::toSamples(testing::perform(test.performance, 1000, kRate));
    const SampleWindow window{samples, 0};
    const std::optional<double> heardHz =
        test.heardSemitones ? std::optional(hzOfSemitones(*test.heardSemitones)) : std::nullopt;
    const std::optional<RisenNote> risen =
        risenNote(window, 200 * kMs, 450 * kMs, 650 * kMs, 950 * kMs,
                  hzOfSemitones(test.oldSemitones), heardHz, 38.0, 2300.0, kRate);
    if (!test.expectedSemitones) {
      // What rises where nothing was added is the rounding's noise.
      EXPECT_TRUE(!risen || risen->levelDbfs < -80.0) << test.name << ": " << risen->levelDbfs;
      continue;
    }
    ASSERT_TRUE(risen.has_value()) << test.name;
    const double semitones = semitonesOf(risen->hz);
    const double octaves = std::round((semitones - *test.expectedSemitones) / 12.0);
    EXPECT_NEAR(semitones - 12.0 * octaves, *test.expectedSemitones, 0.06) << test.name;
    // The power of the added note's harmonics, less those it shares with the
    // ring and what a vibrato spreads past them: far above the noise's.
    EXPECT_GT(risen->levelDbfs, -50.0) << test.name;
  }
}

}  // namespace
}  // namespace quavern::practice
