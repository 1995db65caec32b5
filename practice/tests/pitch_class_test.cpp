#include "practice/pitch_class.h"

#include <gtest/gtest.h>

#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

TEST(PitchClass, FrequenciesFoldIntoOneOctaveOfFlatNames) {
  const char* const names[] = {"c-", "db", "d-", "eb", "e-", "f-",
                               "gb", "g-", "ab", "a-", "bb", "b-"};
  for (int semitones = 24; semitones < 108; ++semitones) {  // C1 to B7
    const double hz = testing::hzOf(semitones, 49.0);
    const PitchClass pitchClass = semitones % 12;
    EXPECT_EQ(flatSpelling(nearestPitchClass(hz)), names[pitchClass]) << semitones;
    EXPECT_NEAR(centsFromPitchClass(hz, pitchClass), 49.0, 1e-6) << semitones;
    EXPECT_NEAR(centsFromPitchClass(hz, (pitchClass + 1) % 12), -51.0, 1e-6) << semitones;
    EXPECT_NEAR(centsFromPitchClass(hz, (pitchClass + 6) % 12), -551.0, 1e-6) << semitones;
  }
  EXPECT_EQ(pitchClassOfToken(u"C-"), pitchClassOfToken(u"c-"));
  EXPECT_EQ(pitchClassOfToken(u"bb"), 10);
  EXPECT_EQ(pitchClassOfToken(u"Db"), std::nullopt);
}

TEST(PitchClass, OvertonesAreNamedByTheirHarmonic) {
  const struct {
    double semitones;  // above C3, and cents off
    double cents;
    std::optional<int> harmonic;
  } cases[] = {
      {12, 0, 2},  {19, 0, 3}, {24, 40, 4},  {28, -14, 5},
      {36, 0, 8},  {0, 0, {}}, {-12, 0, {}}, {19, 60, std::nullopt},
      {38, 0, {}},
  };
  const double c3 = testing::hzOf(48);
  for (const auto& test : cases) {
    EXPECT_EQ(overtoneNumber(testing::hzOf(48 + test.semitones, test.cents), c3), test.harmonic)
        << test.semitones << " semitones " << test.cents << " cents";
  }
}

}  // namespace
}  // namespace quavern::practice
