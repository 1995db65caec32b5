#include "playback/play_settings.h"

#include <array>
#include <cstddef>

namespace quavern::playback {
namespace {

// Falls in even steps from 1000 to 500 ms rather than following 60000 / bpm.
constexpr std::array<std::int32_t, 4> kNoteDurationsMs{1000, 833, 667, 500};
constexpr std::array<std::int32_t, 5> kLoopCounts{1, 2, 3, 5, 10};
constexpr std::array<std::int32_t, 2> kSpellings{kFlatSpelling, kSharpSpelling};

template <std::size_t N>
std::int32_t entryOr(const std::array<std::int32_t, N>& table, int index, std::int32_t otherwise) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) {
    return otherwise;
  }
  return table[static_cast<std::size_t>(index)];
}

}  // namespace

std::int32_t noteDurationMs(int tempoIndex) {
  return entryOr(kNoteDurationsMs, tempoIndex, 1000);
}

std::int32_t loopCountFor(int loopIndex) {
  return entryOr(kLoopCounts, loopIndex, 1);
}

std::int32_t spellingFor(int spellingIndex) {
  return entryOr(kSpellings, spellingIndex, kFlatSpelling);
}

}  // namespace quavern::playback
