#include "practice/pitch_class.h"

#include <gtest/gtest.h>

#include <string>

#include "practice/testing/synthesised_player.h"

namespace quavern::practice {
namespace {

TEST(PitchClass, NoteTokensNameTheirPitchClassAndOtherTextNone) {
  const std::pair<std::u16string, int> notes[] = {
      {u"c-", 0}, {u"c#", 1}, {u"db", 1},  {u"d-", 2},  {u"d#", 3},  {u"eb", 3},
      {u"e-", 4}, {u"f-", 5}, {u"f#", 6},  {u"gb", 6},  {u"g-", 7},  {u"g#", 8},
      {u"ab", 8}, {u"a-", 9}, {u"a#", 10}, {u"bb", 10}, {u"b-", 11}, {u"C-", 0},
  };
  for (const auto& [token, pitchClass] : notes) {
    EXPECT_EQ(pitchClassOfToken(token), pitchClass) << std::string(token.begin(), token.end());
  }
  for (const std::u16string rest : {u"C#", u"Db", u"xy", u"  ", u"c", u"c- ", u"", u"-c"}) {
    EXPECT_EQ(pitchClassOfToken(rest), std::nullopt) << std::string(rest.begin(), rest.end());
  }
}

TEST(PitchClass, FrequenciesFoldIntoOneOctaveOfFlatNames) {
  struct Row {
    double semitones;
    double cents;
    int nearest;
    const char* spelled;
    int against;  // pitch class the cents are measured from
    double expectedCents;
  };
  const Row rows[] = {
      {69, 0.0, 9, "a-", 9, 0.0},     {57, 0.0, 9, "a-", 9, 0.0},      {60, 49.0, 0, "c-", 0, 49.0},
      {60, 51.0, 1, "db", 0, 51.0},   {63, -30.0, 3, "eb", 4, -130.0}, {70, 0.0, 10, "bb", 10, 0.0},
      {71, 40.0, 11, "b-", 0, -60.0}, {36, 0.0, 0, "c-", 6, -600.0},   {66, 0.0, 6, "gb", 6, 0.0},
      {96, -20.0, 0, "c-", 0, -20.0},
  };
  for (const Row& row : rows) {
    const double hz = testing::hzOf(row.semitones, row.cents);
    EXPECT_EQ(nearestPitchClass(hz), row.nearest) << hz;
    EXPECT_EQ(flatSpelling(nearestPitchClass(hz)), row.spelled) << hz;
    EXPECT_NEAR(std::abs(centsFromPitchClass(hz, row.against)), std::abs(row.expectedCents), 1e-6)
        << hz;
    if (std::abs(row.expectedCents) < 600.0) {
      EXPECT_NEAR(centsFromPitchClass(hz, row.against), row.expectedCents, 1e-6) << hz;
    }
  }
}

}  // namespace
}  // namespace quavern::practice
