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

}  // namespace
}  // namespace quavern::practice
