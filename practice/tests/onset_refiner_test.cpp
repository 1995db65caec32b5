#include "practice/onset_refiner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

using testing::SungNote;
using testing::Voice;

constexpr int kRate = 48000;
constexpr std::int64_t kMs = kRate / 1000;
constexpr std::int64_t kOnsetMs = 500;  // where the second sound begins

Voice bowed(double semitones, double attackMs) {
  Voice voice{.hz = testing::hzOf(semitones), .partials = testing::sawtoothPartials(8)};
  voice.attackMs = attackMs;
  return voice;
}

Voice soft(Voice voice, double belowDb) {
  voice.peak *= std::pow(10.0, -belowDb / 20.0);
  return voice;
}

// A steady sine, as loud as a note.
Voice drone(double hz) {
  return {.hz = hz, .partials = {1.0}};
}

struct Case {
  const char* name;
  std::vector<SungNote> performance;
  double newSemitones;
  std::optional<double> oldSemitones;
  std::int64_t guessMs;                    // where a cue found the onset
  std::optional<std::int64_t> expectedMs;  // where it is placed; nothing: it cannot tell
};

TEST(RefineOnset, PlacesTheNoteWhereItsHarmonicsRise) {
  constexpr std::int64_t kToleranceMs = 10;
  const Case cases[] = {
      {"a slow attack out of silence, found late",
       {{kOnsetMs, 1000, bowed(69, 150.0)}},
       69,
       std::nullopt,
       kOnsetMs + 90,
       kOnsetMs},
      {"a slurred change without a dip, found late",
       {{0, kOnsetMs + 20, bowed(62, 5.0)}, {kOnsetMs, 1000, bowed(65, 60.0)}},
       65,
       62,
       kOnsetMs + 70,
       kOnsetMs},
      {"a change over the last note's ring, found early",
       {{0, 1000, bowed(60, 5.0)}, {kOnsetMs, 1000, bowed(67, 20.0)}},
       67,
       60,
       kOnsetMs - 40,
       kOnsetMs},
      {"a low step, whose harmonics only a long window tells from the last's",
       {{0, kOnsetMs + 20, bowed(40, 5.0)}, {kOnsetMs, 1000, bowed(41, 10.0)}},
       41,
       40,
       kOnsetMs + 70,
       kOnsetMs},
      {"the same note again: no harmonic is clear of the last",
       {{0, kOnsetMs - 40, bowed(64, 5.0)}, {kOnsetMs, 1000, bowed(64, 5.0)}},
       64,
       64,
       kOnsetMs + 30,
       std::nullopt},
      {"harmonics that do not rise",
       {{0, 1000, bowed(60, 5.0)}, {0, 1000, bowed(67, 5.0)}},
       67,
       60,
       kOnsetMs,
       std::nullopt},
      {"an octave slip of the last note: its odd harmonics do not rise",
       {{0, 1000, bowed(60, 5.0)}},
       48,
       60,
       kOnsetMs,
       std::nullopt},
      {"a leap down an octave: its odd harmonics rise",
       {{0, kOnsetMs, bowed(60, 5.0)}, {kOnsetMs, 1000, bowed(48, 10.0)}},
       48,
       60,
       kOnsetMs + 60,
       kOnsetMs},
  };
  for (const Case& test : cases) {
    std::vector<double> signal = testing::perform(test.performance, 1000, kRate);
    testing::addNoise(signal, 40.0, 7);
    const std::vector<std::int16_t> samples = testing::toSamples(signal);
    const std::optional<double> oldHz =
        test.oldSemitones ? std::optional<double>(testing::hzOf(*test.oldSemitones)) : std::nullopt;
    const std::optional<std::int64_t> placed = refineOnset(
        {samples, 0}, test.guessMs * kMs, testing::hzOf(test.newSemitones), oldHz, kRate);
    ASSERT_EQ(placed.has_value(), test.expectedMs.has_value()) << test.name;
    if (placed) {
      EXPECT_NEAR(static_cast<double>(*placed) / kMs, static_cast<double>(*test.expectedMs),
                  kToleranceMs)
          << test.name;
    }
  }
}

// The judge's onset window runs from 300 to 700 ms; the note is heard held
// from 650 to 950 ms.
TEST(NoteBegan, FindsWhereTheHeardNoteBeganInTheWindow) {
  constexpr std::int64_t kToleranceMs = 15;
  struct BeganCase {
    const char* name;
    std::vector<SungNote> performance;
    double heardSemitones;
    std::optional<double> lastSemitones;
    std::optional<std::int64_t> expectedMs;
  };
  const BeganCase cases[] = {
      {"a slow attack under the last note, still held loud",
       {{0, 1200, bowed(60, 5.0)}, {kOnsetMs, 1200, bowed(64, 150.0)}},
       64,
       60,
       kOnsetMs},
      {"an early note out of silence", {{380, 1200, bowed(69, 5.0)}}, 69, std::nullopt, 380},
      {"a note begun before the window",
       {{0, 200, bowed(60, 5.0)}, {200, 1200, bowed(67, 5.0)}},
       67,
       60,
       std::nullopt},
      {"the last note's octave slip: its odd harmonics never rise",
       {{0, 1200, bowed(60, 5.0)}},
       48,
       60,
       std::nullopt},
      // The room holds an earlier note of the same pitch 22 dB down, with a
      // dip in it before the note begins.
      {"over the room's sound at its harmonics, risen out of a dip before",
       {{0, 1200, bowed(60, 5.0)},
        {0, 380, soft(bowed(67, 5.0), 22.0)},
        {420, 1200, soft(bowed(67, 5.0), 22.0)},
        {kOnsetMs, 1200, bowed(67, 5.0)}},
       67,
       60,
       kOnsetMs},
      {"a drone beside one of its harmonics, louder than all of them",
       {{0, 1200, drone(testing::hzOf(67) * 3 + 80.0)},
        {kOnsetMs, 1200, soft(bowed(67, 5.0), 20.0)}},
       67,
       std::nullopt,
       kOnsetMs},
  };
  for (const BeganCase& test : cases) {
    std::vector<double> signal = testing::perform(test.performance, 1200, kRate);
    testing::addNoise(signal, 40.0, 7);
    const std::vector<std::int16_t> samples = testing::toSamples(signal);
    const std::optional<double> lastHz =
        test.lastSemitones ? std::optional<double>(testing::hzOf(*test.lastSemitones))
                           : std::nullopt;
    const std::optional<std::int64_t> began =
        noteBegan({samples, 0}, 300 * kMs, 700 * kMs, 650 * kMs, 950 * kMs,
                  testing::hzOf(test.heardSemitones), lastHz, kRate);
    ASSERT_EQ(began.has_value(), test.expectedMs.has_value()) << test.name;
    if (began) {
      EXPECT_NEAR(static_cast<double>(*began) / kMs, static_cast<double>(*test.expectedMs),
                  kToleranceMs)
          << test.name;
    }
  }
}

TEST(RefineOnset, CannotTellWhereTheSamplesDoNotReach) {
  const std::vector<std::int16_t> samples =
      testing::toSamples(testing::perform({{kOnsetMs, 1000, bowed(69, 5.0)}}, 1000, kRate));
  const std::int64_t guess = kOnsetMs * kMs;
  // The window starts 100 ms before the guess, short of what the refiner reads.
  const std::span<const std::int16_t> late(samples.begin() + (kOnsetMs - 100) * kMs, samples.end());
  EXPECT_FALSE(
      refineOnset({late, (kOnsetMs - 100) * kMs}, guess, testing::hzOf(69), std::nullopt, kRate));
}

}  // namespace
}  // namespace quavern::practice
