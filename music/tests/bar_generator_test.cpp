#include "music/bar_generator.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <map>
#include <regex>
#include <string>

#include "music/chords.h"
#include "scripted_draws.h"

namespace quavern::music {
namespace {

class BarGenerator : public ::testing::Test {
 protected:
  void SetUp() override { fillChordToneTables(); }
};

TEST_F(BarGenerator, ScriptedDrawsPickColumnsInOrder) {
  struct Case {
    int chord;
    int bs;
    std::vector<std::uint32_t> draws;
    std::string expected;
  };
  const Case cases[] = {
      {0, kFlatSpelling, {2, 0, 3, 1}, "g-c-bbe-"},
      {0, kSharpSpelling, {2, 0, 3, 1}, "g-c-a#e-"},
      {19, kFlatSpelling, {0, 0, 0, 0}, "a-a-a-a-"},
      {1, kFlatSpelling, {1, 3, 1, 0}, "ebbbebc-"},
      {23, kSharpSpelling, {0, 1, 2, 3}, "b-d-f#a-"},
      // The draw is reduced modulo 4: large raw values pick the same columns.
      {0, kFlatSpelling, {6, 4, 0xFFFFFFFF, 9}, "g-c-bbe-"},
  };
  for (const auto& c : cases) {
    ScriptedDraws draws(c.draws);
    EXPECT_EQ(rndline(c.chord, c.bs, draws), c.expected) << "chord " << c.chord;
    EXPECT_EQ(draws.taken(), 4);
  }
}

TEST_F(BarGenerator, IndexNamingNoChordGivesNothingAndTakesNoDraw) {
  for (const int n : {kNoChord, kChordCount, 99, INT_MIN, INT_MAX}) {
    ScriptedDraws draws({2, 0, 3, 1});
    EXPECT_EQ(rndline(n, kFlatSpelling, draws), "") << n;
    EXPECT_EQ(draws.taken(), 0) << n;
    EXPECT_EQ(rndline(0, kFlatSpelling, draws), "g-c-bbe-") << "draws shifted by index " << n;
  }
}

TEST_F(BarGenerator, SharpResultIsFlatResultRespelt) {
  const std::map<std::string, std::string> respell{
      {"db", "c#"}, {"eb", "d#"}, {"gb", "f#"}, {"ab", "g#"}, {"bb", "a#"}};
  SeededDraws source(12345);
  for (int chord = 0; chord < kChordCount; ++chord) {
    for (int sequence = 0; sequence < 50; ++sequence) {
      std::vector<std::uint32_t> values;
      for (int i = 0; i < 4; ++i) {
        values.push_back(source.next());
      }
      ScriptedDraws flatDraws(values);
      ScriptedDraws sharpDraws(values);
      const auto flat = rndline(chord, kFlatSpelling, flatDraws);
      const auto sharp = rndline(chord, kSharpSpelling, sharpDraws);
      ASSERT_EQ(flat.size(), 8u);
      std::string respelt;
      for (std::size_t i = 0; i < flat.size(); i += 2) {
        const auto token = flat.substr(i, 2);
        respelt += respell.count(token) ? respell.at(token) : token;
      }
      EXPECT_EQ(sharp, respelt) << kChordNames[static_cast<std::size_t>(chord)];
    }
  }
}

TEST_F(BarGenerator, BarsHoldOnlyTheirChordsTones) {
  SeededDraws draws(7);
  for (int chord = 0; chord < kChordCount; ++chord) {
    for (const int bs : {kFlatSpelling, kSharpSpelling}) {
      const auto& row = (bs == kFlatSpelling ? cdf : cds)[static_cast<std::size_t>(chord)];
      for (int bar = 0; bar < 20; ++bar) {
        const auto notes = rndline(chord, bs, draws);
        ASSERT_EQ(notes.size(), 8u);
        for (std::size_t i = 0; i < notes.size(); i += 2) {
          EXPECT_NE(std::find(row.begin(), row.end(), notes.substr(i, 2)), row.end())
              << notes << " over " << kChordNames[static_cast<std::size_t>(chord)];
        }
      }
    }
  }
}

// Catches a draw that is biased, stuck or never reaches a column: each of the
// four tones should turn up about a quarter of the time.
TEST_F(BarGenerator, EveryToneOfARowTurnsUpAboutAQuarterOfTheTime) {
  SeededDraws draws;
  constexpr int kBars = 1000;
  std::map<std::string, int> counts;
  for (int bar = 0; bar < kBars; ++bar) {
    const auto notes = rndline(19, kFlatSpelling, draws);
    for (std::size_t i = 0; i < notes.size(); i += 2) {
      ++counts[notes.substr(i, 2)];
    }
  }
  ASSERT_EQ(counts.size(), 4u);
  for (const auto& [token, count] : counts) {
    // 4000 draws, expected 1000 each, standard deviation about 27.
    EXPECT_GT(count, 850) << token;
    EXPECT_LT(count, 1150) << token;
  }
}

TEST(Seeding, TwoFreshGeneratorsInventDifferentSongs) {
  fillChordToneTables();
  SeededDraws first;
  SeededDraws second;
  std::string firstSong;
  std::string secondSong;
  // 16 bars are 64 draws of four values: equal songs by chance have odds 4^-64.
  for (int bar = 0; bar < 16; ++bar) {
    firstSong += rndline(0, kFlatSpelling, first);
    secondSong += rndline(0, kFlatSpelling, second);
  }
  EXPECT_NE(firstSong, secondSong);
}

TEST(Seeding, AFixedSeedRepeatsItsDraws) {
  SeededDraws first(99);
  SeededDraws second(99);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(first.next(), second.next());
  }
}

TEST(Random, ResultIsTheNextValueModuloM) {
  ScriptedDraws draws({0, 5, 11, 0xFFFFFFFF});
  EXPECT_EQ(random(draws, 4), 0);
  EXPECT_EQ(random(draws, 4), 1);
  EXPECT_EQ(random(draws, 7), 4);
  EXPECT_EQ(random(draws, 1), 0);
}

}  // namespace
}  // namespace quavern::music
