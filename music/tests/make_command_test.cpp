#include "music/make_command.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "music/chords.h"
#include "scripted_draws.h"

namespace quavern::music {
namespace {

using Written = std::vector<std::pair<std::size_t, std::string>>;

Written runMake(const BarChoices& bars, int bs, DrawSource& draws) {
  Written written;
  makeBars(bars, bs, draws,
           [&](std::size_t bar, const std::string& notes) { written.emplace_back(bar, notes); });
  return written;
}

class MakeCommand : public ::testing::Test {
 protected:
  void SetUp() override { fillChordToneTables(); }
};

TEST_F(MakeCommand, OnlyMarkedBarsDrawAndAreWrittenInBarOrder) {
  BarChoices bars;
  bars[2] = {true, 0};
  bars[6] = {true, kNoChord};
  bars[9] = {true, 19};
  bars[11] = {false, 19};
  ScriptedDraws draws({2, 0, 3, 1, 0, 0, 0, 0});
  EXPECT_EQ(runMake(bars, kFlatSpelling, draws),
            (Written{{2, "g-c-bbe-"}, {6, ""}, {9, "a-a-a-a-"}}));
  EXPECT_EQ(draws.taken(), 8);
}

TEST_F(MakeCommand, NothingMarkedWritesNothingAndDrawsNothing) {
  ScriptedDraws draws({});
  EXPECT_TRUE(runMake(BarChoices{}, kFlatSpelling, draws).empty());
  EXPECT_EQ(draws.taken(), 0);
}

TEST_F(MakeCommand, SpellingChoosesTheTable) {
  BarChoices bars;
  bars[0] = {true, 0};
  ScriptedDraws draws({3, 3, 3, 3});
  EXPECT_EQ(runMake(bars, kSharpSpelling, draws), (Written{{0, "a#a#a#a#"}}));
}

}  // namespace
}  // namespace quavern::music
