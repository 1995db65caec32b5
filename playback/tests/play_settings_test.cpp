#include "playback/play_settings.h"

#include <gtest/gtest.h>

namespace quavern::playback {
namespace {

struct Mapping {
  int index;
  std::int32_t value;
};

TEST(PlaySettings, TempoEntriesGiveNoteDurations) {
  const Mapping rows[] = {{0, 1000},  {1, 833},  {2, 667},   {3, 500},
                          {-1, 1000}, {4, 1000}, {-7, 1000}, {1000, 1000}};
  for (const Mapping& row : rows) {
    EXPECT_EQ(noteDurationMs(row.index), row.value) << "tempo index " << row.index;
  }
}

TEST(PlaySettings, LoopEntriesGivePassCounts) {
  const Mapping rows[] = {{0, 1}, {1, 2}, {2, 3}, {3, 5}, {4, 10}, {-1, 1}, {5, 1}, {99, 1}};
  for (const Mapping& row : rows) {
    EXPECT_EQ(loopCountFor(row.index), row.value) << "loop index " << row.index;
  }
}

TEST(PlaySettings, SpellingEntriesGiveFlatOrSharp) {
  const Mapping rows[] = {
      {0, kFlatSpelling}, {1, kSharpSpelling}, {-1, kFlatSpelling}, {2, kFlatSpelling}};
  for (const Mapping& row : rows) {
    EXPECT_EQ(spellingFor(row.index), row.value) << "spelling index " << row.index;
  }
}

}  // namespace
}  // namespace quavern::playback
